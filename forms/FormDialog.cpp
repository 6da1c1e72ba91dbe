#include "forms/FormDialog.h"

#include "db/DbError.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QWindow>

namespace {
// Which windows had the focus last. A message box is no window of the program's own: the
// return from it to the window beneath is not an activation of that window (the journal
// would otherwise jump back to today after every question).
struct FocusHistory {
    QPointer<QWindow> current;
    bool currentIsMessageBox = false;
    bool previousWasMessageBox = false;

    static bool isMessageBox(QWindow* w) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowHandle() == w) return qobject_cast<QMessageBox*>(top) != nullptr;
        return false;
    }

    void follow() {
        static bool connected = false;
        if (connected || !qApp) return;
        connected = true;
        QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp, [this](QWindow* w) {
            if (!w || w == current) return;
            previousWasMessageBox = currentIsMessageBox;
            currentIsMessageBox = isMessageBox(w);
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

bool FormDialog::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate) {
        const FocusHistory& h = focusHistory();
        // The activation may come before or after the focus change is reported.
        const bool backFromMessageBox =
            h.current && h.current == windowHandle() ? h.previousWasMessageBox : h.currentIsMessageBox;
        if (!backFromMessageBox) guarded([this] { FormActivate(); });
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
