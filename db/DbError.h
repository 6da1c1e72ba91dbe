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
    explicit DbError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Shows the text of an error that escaped a handler in one error box.
void showUncaught(const std::exception& e);

template <class F> void guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        showUncaught(e);
    }
}
