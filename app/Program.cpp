#include "app/Program.h"

#include <QCoreApplication>

namespace {
std::function<void()>& ender() {
    static std::function<void()> f = [] {
        QCoreApplication::exit(0);
        // exit() reaches only the loops running now; the queued quit reaches the main loop
        // when it starts (a mismatch found at the first activation of the login window).
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    };
    return f;
}
} // namespace

namespace Program {
void end() {
    ender()();
}
void setEnder(std::function<void()> f) {
    ender() = std::move(f);
}
} // namespace Program
