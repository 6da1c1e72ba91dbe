#pragma once
// A statement the server refused, carrying the server's own message. Every handler runs
// inside `guarded`, which turns an escaping error into one error box: the program goes on,
// and the statements that ran before it stay as they are (or roll back with their
// transaction, where a save runs in one).
#include <exception>
#include <QString>
#include <stdexcept>

class DbError : public std::runtime_error {
public:
    // An empty text (a driver that gave no reason) becomes a sentence of its own: an error
    // box is never empty.
    explicit DbError(const QString& message);
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A statement failed because the connection to the server is gone (the server restarted,
// the network dropped). The message says so in plain words and says what became of the work;
// libpq's own text (English, of no use to the user) is kept apart as serverText(). The next statement opens
// the connection again; nothing is repeated by itself.
class ConnectionLost : public DbError {
public:
    enum class Work {
        NotDone,      // a read or a single statement: it did not run
        NotSaved,     // a transaction: rolled back whole, nothing of it was written
        SavedUnknown, // its commit was cut off: known only once the server is back
    };
    ConnectionLost(const QString& serverText, Work work, bool firstOfOutage);
    const QString& serverText() const { return serverText_; }
    Work work() const { return work_; }
    // The first failure since the connection was last good; later ones of the same outage
    // (the server still away) are not.
    bool firstOfOutage() const { return first_; }

    static QString text(Work work);

private:
    QString serverText_;
    Work work_;
    bool first_;
};

// A statement gave up waiting for a lock another workstation holds (the session's bounded lock
// wait): its transaction rolls back whole, nothing of it is written. Callers that know what
// was busy throw it again with words of their own.
class LockBusy : public DbError {
public:
    explicit LockBusy(const QString& message = defaultText()) : DbError(message) {}
    static QString defaultText();
};

// The user cancelled a statement in the wait window: the server stopped it, its transaction
// rolled back, nothing was changed. Shown by no error box (the user asked for it).
class Cancelled : public DbError {
public:
    Cancelled() : DbError(defaultText()) {}
    static QString defaultText();
};

// Shows the text of an error that escaped a handler in one error box (none for Cancelled).
void showUncaught(const std::exception& e);

template <class F> void guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        showUncaught(e);
    }
}
