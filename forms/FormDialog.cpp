#include "forms/FormDialog.h"

#include "db/DbError.h"
#include "forms/DbGrid.h"

#include <algorithm>
#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>

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

void FormDialog::makeResizable(const QSize& firstSize) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(firstSize);
}

namespace {
QString settingsGroup(const QWidget* window) {
    return QStringLiteral("windows/") + window->objectName();
}
} // namespace

std::unique_ptr<QSettings> workstationSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("tabel"));
}

void FormDialog::restoreLayout() {
    layoutRestored_ = true;
    if (objectName().isEmpty()) return;
    const std::unique_ptr<QSettings> kept = workstationSettings();
    QSettings& settings = *kept;
    settings.beginGroup(settingsGroup(this));
    const QSize size = settings.value(QStringLiteral("size")).toSize();
    // Only a window the user can size takes a kept size.
    const bool resizable = minimumSize() != maximumSize();
    if (resizable && size.isValid()) resize(size.boundedTo(maximumSize()).expandedTo(minimumSize()));
    if (resizable && settings.value(QStringLiteral("maximized")).toBool())
        setWindowState(windowState() | Qt::WindowMaximized);
    for (DbGrid* grid : findChildren<DbGrid*>())
        if (!grid->objectName().isEmpty())
            grid->setKeptWidths(settings.value(grid->objectName() + QStringLiteral("/widths")).toMap());
}

void FormDialog::saveLayout() {
    if (objectName().isEmpty()) return;
    const std::unique_ptr<QSettings> kept = workstationSettings();
    QSettings& settings = *kept;
    settings.beginGroup(settingsGroup(this));
    if (minimumSize() != maximumSize()) {
        const bool maximized = isMaximized();
        settings.setValue(QStringLiteral("size"), maximized ? normalGeometry().size() : size());
        settings.setValue(QStringLiteral("maximized"), maximized);
    }
    for (DbGrid* grid : findChildren<DbGrid*>())
        if (!grid->objectName().isEmpty() && !grid->keptWidths().isEmpty())
            settings.setValue(grid->objectName() + QStringLiteral("/widths"), grid->keptWidths());
}

void FormDialog::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    if (!e->spontaneous() && layoutRestored_) saveLayout();
}

bool FormDialog::event(QEvent* e) {
    // Before the first showing: the kept size, so the window is centred at that size.
    if (e->type() == QEvent::Polish && !layoutRestored_) restoreLayout();
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate && firstActivation_) {
        firstActivation_ = false;
        guarded([this] { FormActivate(); });
    }
    return handled;
}

void centreOnScreen(QWidget* window) {
    if (window->isMaximized()) return;
    if (QScreen* screen = window->screen()) {
        const QRect available = screen->availableGeometry();
        QRect frame = window->frameGeometry();
        frame.moveCenter(available.center());
        // A window larger than the screen keeps its title bar on it.
        window->move(std::max(frame.left(), available.left()), std::max(frame.top(), available.top()));
    }
}

namespace {
class PickerKeys : public QObject {
public:
    PickerKeys(QPushButton* dots, QLineEdit* box) : QObject(dots), dots_(dots), box_(box) {
        dots->installEventFilter(this);
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(e);
            if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
            if (key->key() == Qt::Key_F4 || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (dots_->isEnabled()) dots_->click();
                return true;
            }
        }
        if (watched == box_ && e->type() == QEvent::MouseButtonRelease && dots_->isEnabled()) {
            dots_->click();
            return true;
        }
        return false;
    }

private:
    QPushButton* dots_;
    QLineEdit* box_;
};
} // namespace

void makePicker(QPushButton* dots, QLineEdit* box) {
    new PickerKeys(dots, box);
}

QPushButton* formButton(QWidget* window, const QString& caption, const char* objectName,
                        const QString& accessibleName) {
    auto* b = new QPushButton(caption, window);
    b->setObjectName(QLatin1String(objectName));
    b->setAccessibleName(accessibleName.isEmpty() ? caption : accessibleName);
    b->setAutoDefault(false);
    return b;
}
