#pragma once
// Statements of the windows' thread run without stopping its event loop.
//
// A statement runs on a helper thread while the windows' thread waits for it. One that ends
// within a moment is simply waited for. A longer one lets the windows repaint, and after half
// a second a wait window appears whose "Отмена" sends the server's cancel request (the
// statement then fails, its transaction rolls back, nothing is changed). Meanwhile nothing
// else runs: clicks and keys outside the wait window are dropped (they never run later),
// timers and socket notifiers wait until the statement has ended, and a statement that some
// other handler tries to start meanwhile is refused. A statement is never run twice.
//
// Without an installed presenter (programs without windows) and on any other thread,
// statements run on the calling thread as they always did.
#include <functional>
#include <QtGlobal>

class QObject;
class QSqlDriver;

namespace StatementWait {

// The wait window, installed by the application (the data layer has no widgets).
class Presenter {
public:
    virtual ~Presenter() = default;
    // Shows the wait window; `cancel` asks the server to cancel the statement.
    virtual void show(std::function<void()> cancel) = 0;
    // Time since the statement started, called while the window shows.
    virtual void progress(qint64 elapsedMs) = 0;
    virtual void hide() = 0;
    // Whether an event for `receiver` belongs to the wait window (delivered meanwhile).
    virtual bool owns(const QObject* receiver) const = 0;
};

// Installs `p` (not owned; nullptr to remove) and returns the previous one.
Presenter* setPresenter(Presenter* p);

// Runs `work`, a blocking call on the driver's connection (a statement), as described above,
// and returns its result.
bool run(const QSqlDriver* driver, const std::function<bool()>& work);

// Throws DbError (before anything touches a connection) when the windows' thread is waiting
// for a statement already: a handler that ran meanwhile starts none of its own.
void refuseWhileWaiting();

// True while the windows' thread waits for a statement.
bool waiting();
// True when the user cancelled the last statement of this thread.
bool cancelledByUser();

// How long a statement runs before the wait window appears (500 ms unless set).
void setShowDelay(int ms);

} // namespace StatementWait
