#include "forms/FormDialog.h"

#include "db/DbError.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QWindow>

namespace {
// Which window of the program had the focus before the current one. The return to a window
// is an activation of it only when that window was a dialog of the program's own that has
// closed since: a message box closing, the date picker's calendar closing, or the user
// switching to another application and back (the focus leaves the program and returns to
// the same window) is none.
struct FocusHistory {
    QPointer<QWindow> current;
    QPointer<QWidget> previousDialog; // the dialog that had the focus before `current`

    static QWidget* topLevelOf(QWindow* w) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowHandle() == w) return top;
        return nullptr;
    }

    void follow() {
        static bool connected = false;
        if (connected || !qApp) return;
        connected = true;
        QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp, [this](QWindow* w) {
            // Focus leaving the program keeps the history as it is.
            if (!w || w == current) return;
            QWidget* before = current ? topLevelOf(current) : nullptr;
            auto* dialog = qobject_cast<QDialog*>(before);
            previousDialog = dialog && !qobject_cast<QMessageBox*>(dialog) ? dialog : nullptr;
            current = w;
        });
    }
};

FocusHistory& focusHistory() {
    static FocusHistory history;
    return history;
}
} // namespace

FormDialog::FormDialog(QWidget* parent) : QDialog(parent) {
    focusHistory().follow();
}

void FormDialog::showEvent(QShowEvent* e) {
    firstActivation_ = true;
    QDialog::showEvent(e);
}

bool FormDialog::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate) {
        const FocusHistory& h = focusHistory();
        // The focus change may be reported before or after the activation: either way the
        // dialog left behind is the one that is no longer shown.
        const QWidget* left = h.previousDialog;
        const bool backFromDialog = left && left != this && !left->isVisible();
        if (firstActivation_ || backFromDialog) {
            firstActivation_ = false;
            guarded([this] { FormActivate(); });
        }
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
