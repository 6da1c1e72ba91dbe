#include "forms/FormDialog.h"

#include "db/DbError.h"

#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace {
// Which window opened which dialog. A window activates when it is first shown and when a
// dialog opened from it closes, and at no other time: a message box closing, a popup such
// as the date picker's calendar closing, or the user switching to another application and
// back is no activation. The closing is seen here, as it happens, so the window opened
// from is activated before the code that opened the dialog goes on, whatever the window
// system reports about the focus afterwards.
class Openers : public QObject {
public:
    static Openers& instance() {
        static Openers* openers = [] {
            auto* o = new Openers;
            qApp->installEventFilter(o);
            return o;
        }();
        return *openers;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::Show && e->type() != QEvent::Hide) return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (!dialog || !dialog->isWindow() || qobject_cast<QMessageBox*>(dialog)) return false;
        if (e->type() == QEvent::Show) {
            auto* opener = qobject_cast<FormDialog*>(QApplication::activeWindow());
            if (opener && opener != dialog) openedFrom_.insert(dialog, opener);
        } else if (auto it = openedFrom_.find(dialog); it != openedFrom_.end()) {
            QPointer<FormDialog> opener = it.value();
            openedFrom_.erase(it);
            if (opener && opener->isVisible()) opener->activateFromReturn();
        }
        return false;
    }

private:
    QHash<QDialog*, QPointer<FormDialog>> openedFrom_;
};
} // namespace

FormDialog::FormDialog(QWidget* parent) : QDialog(parent) {
    if (qApp) Openers::instance();
}

void FormDialog::showEvent(QShowEvent* e) {
    firstActivation_ = true;
    QDialog::showEvent(e);
}

void FormDialog::activateFromReturn() {
    guarded([this] { FormActivate(); });
}

bool FormDialog::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate && firstActivation_) {
        firstActivation_ = false;
        guarded([this] { FormActivate(); });
    }
    return handled;
}

void centreOnScreen(QWidget* window) {
    if (QScreen* screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

QPushButton* formButton(QWidget* window, const QString& caption, const char* objectName,
                        const QString& accessibleName) {
    auto* b = new QPushButton(caption, window);
    b->setObjectName(QLatin1String(objectName));
    b->setAccessibleName(accessibleName.isEmpty() ? caption : accessibleName);
    b->setAutoDefault(false);
    return b;
}
