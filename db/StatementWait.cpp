#include "db/StatementWait.h"

#include "db/DbError.h"
#include "db/PgHandle.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QSqlDriver>
#include <QThread>
#include <thread>
#include <utility>

namespace StatementWait {

namespace {

Presenter* thePresenter = nullptr;
bool isWaiting = false;
thread_local bool lastCancelled = false;
int showDelayMs = 500;
// A statement shorter than this is waited for without looking at any event.
constexpr int QuietMs = 40;
// How often the waiting thread looks at its events.
constexpr int SliceMs = 15;

// One helper thread that runs the statements handed to it, one at a time.
class Runner {
public:
    Runner() : thread_([this] { loop(); }) {}
    ~Runner() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    void start(const std::function<bool()>* job) {
        {
            std::lock_guard lock(mutex_);
            job_ = job;
            done_ = false;
            error_ = nullptr;
        }
        wake_.notify_one();
    }
    // True once the job has ended (within `ms`).
    bool waitFor(int ms) {
        std::unique_lock lock(mutex_);
        return finished_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; });
    }
    bool result() {
        std::lock_guard lock(mutex_);
        if (error_) std::rethrow_exception(error_);
        return result_;
    }

private:
    void loop() {
        for (;;) {
            const std::function<bool()>* job = nullptr;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return job_ || quit_; });
                if (!job_) return;
                job = job_;
                job_ = nullptr;
            }
            bool result = false;
            std::exception_ptr error;
            try {
                result = (*job)();
            } catch (...) {
                error = std::current_exception();
            }
            {
                std::lock_guard lock(mutex_);
                result_ = result;
                error_ = error;
                done_ = true;
            }
            finished_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    const std::function<bool()>* job_ = nullptr;
    bool done_ = false, quit_ = false, result_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

Runner& runner() {
    static Runner r;
    return r;
}

// While a statement is waited for: input outside the wait window is dropped, timers are left
// to fire after the statement, and the driver's own queued notification check (which reads
// the connection the statement is using) is held back and asked for again afterwards.
class Gate : public QObject {
public:
    bool heldDriverCall = false;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (thePresenter && thePresenter->owns(receiver)) return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close:
        // Handlers that follow activation and focus (a window re-reading when it is activated,
        // a box checked when it is left) run once the statement has ended, on the user's next
        // step.
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
        case QEvent::ActivationChange:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::FocusAboutToChange:
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::HoverEnter:
        case QEvent::HoverLeave:
        case QEvent::HoverMove:
        // A timer left undelivered fires again after its interval (a single-shot one too:
        // it stops itself only when it is delivered).
        case QEvent::Timer:
            return true;
        case QEvent::MetaCall:
            if (qobject_cast<QSqlDriver*>(receiver)) {
                heldDriverCall = true;
                return true;
            }
            return false;
        default:
            return false;
        }
    }
};

} // namespace

Presenter* setPresenter(Presenter* p) {
    Presenter* previous = thePresenter;
    thePresenter = p;
    return previous;
}

bool waiting() {
    return isWaiting;
}

bool cancelledByUser() {
    return lastCancelled;
}

void setShowDelay(int ms) {
    showDelayMs = ms;
}

void refuseWhileWaiting() {

    if (isWaiting && QThread::currentThread() == QCoreApplication::instance()->thread())
        throw DbError(QStringLiteral("Программа ещё ждёт ответа базы данных на предыдущее действие. "
                                     "Дождитесь его или отмените и повторите."));
}

bool run(const QSqlDriver* driver, const std::function<bool()>& work) {
    lastCancelled = false;
    QCoreApplication* app = QCoreApplication::instance();
    if (!thePresenter || !app || QThread::currentThread() != app->thread()) return work();
    refuseWhileWaiting();
    PGconn* conn = nullptr;
    PGcancel* cancel = pgConnection(driver, &conn) && conn ? PQgetCancel(conn) : nullptr;
    Runner& r = runner();
    r.start(&work);
    if (!r.waitFor(QuietMs)) {
        isWaiting = true;
        Gate gate;
        app->installEventFilter(&gate);
        QElapsedTimer elapsed;
        elapsed.start();
        bool shown = false;
        bool cancelled = false;
        QPointer<const QSqlDriver> source(driver);
        do {
            QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
            if (!thePresenter) continue;
            if (!shown && elapsed.elapsed() >= showDelayMs) {
                shown = true;
                thePresenter->show([&cancelled, &cancel] {
                    if (cancelled || !cancel) return;
                    cancelled = true;
                    // Sent from a thread of its own: the request opens a connection to the
                    // server, which may itself be slow to answer or unreachable.
                    PGcancel* request = std::exchange(cancel, nullptr);
                    std::thread([request] {
                        char reason[256];
                        PQcancel(request, reason, sizeof reason);
                        PQfreeCancel(request);
                    }).detach();
                });
            }
            if (shown) thePresenter->progress(elapsed.elapsed());
        } while (!r.waitFor(SliceMs));
        if (shown && thePresenter) thePresenter->hide();
        app->removeEventFilter(&gate);
        isWaiting = false;
        lastCancelled = cancelled;
        // Notifications that arrived with the statement's answer are read now.
        if (gate.heldDriverCall && source)
            QMetaObject::invokeMethod(const_cast<QSqlDriver*>(source.data()), "_q_handleNotification",
                                      Qt::QueuedConnection);
    }
    if (cancel) PQfreeCancel(cancel);
    return r.result();
}

} // namespace StatementWait
