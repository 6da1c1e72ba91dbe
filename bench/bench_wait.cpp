// What running the statements off the windows' thread costs, and how soon a cancel answers.
//   bench_wait SOCKET_FOLDER [DATABASE]
// Side by side in one run, alternating: a one-row statement and the busiest date's journal
// query of shift 1, each run on the calling thread (no wait window installed) and through the
// helper thread (the program's way). Then a read behind another session's table lock, cancelled
// the moment its wait window shows: the time from the cancel to the statement's return.
#include "bench/BenchSupport.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/StatementWait.h"
#include "forms/WaitWindow.h"
#include "journal/Journal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlQuery>

namespace {
// Cancels as soon as it is shown and notes when.
class CancellingPresenter final : public StatementWait::Presenter {
public:
    QElapsedTimer clock;
    qint64 cancelledAt = -1;
    void show(std::function<void()> cancel) override {
        cancelledAt = clock.nsecsElapsed();
        cancel();
    }
    void progress(qint64) override {}
    void hide() override {}
    bool owns(const QObject*) const override { return false; }
};
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DataModule6 dm;
    if (const int status = connectBench(dm, app.arguments(), "bench_wait SOCKET_FOLDER [DATABASE]"))
        return status;
    try {
        QSqlQuery busiest(dm.ADO_DB());
        execBound(busiest,
                  "select data from accounts_dep.smena group by data order by count(*) desc, 1 limit 1", {});
        busiest.next();
        Query& journal = dm.smenaQuery(1);
        journal.setParam("ok", Journal::HiddenMark);
        journal.setParam("data", busiest.value(0).toDate());

        QVector<double> oneInline, oneThread, journalInline, journalThread;
        auto time = [](const std::function<void()>& f) {
            QElapsedTimer t;
            t.start();
            f();
            return t.nsecsElapsed() / 1e6;
        };
        auto one = [&] { execKept(dm.ADO_DB(), "select 1", {}); };
        auto reopen = [&] { journal.reopen(); };
        for (int round = 0; round < 20; ++round) {
            for (bool thread : {false, true}) {
                if (thread)
                    WaitWindow::install();
                else
                    WaitWindow::uninstall();
                for (int i = 0; i < 100; ++i)
                    (thread ? oneThread : oneInline) << time(one);
                for (int i = 0; i < 3; ++i)
                    (thread ? journalThread : journalInline) << time(reopen);
            }
        }
        WaitWindow::uninstall();
        std::printf("One-row statement: %.3f ms on the calling thread, %.3f ms through the helper thread "
                    "(medians of %lld; +%.3f ms)\n",
                    median(oneInline), median(oneThread), qlonglong(oneInline.size()),
                    median(oneThread) - median(oneInline));
        std::printf("Journal query of the busiest date, shift 1 (%d lines): %.2f ms vs %.2f ms, ratio %.3f\n",
                    journal.recordCount(), median(journalInline), median(journalThread),
                    median(journalThread) / median(journalInline));

        // A read behind a table lock, with no lock bound, cancelled as its wait window shows.
        QSqlDatabase other = QSqlDatabase::cloneDatabase(dm.ADO_DB(), "holder");
        other.open();
        QVector<double> answer;
        CancellingPresenter cancelling;
        StatementWait::setPresenter(&cancelling);
        StatementWait::setShowDelay(100);
        QSqlQuery noBound(dm.ADO_DB());
        noBound.exec("set lock_timeout = 0");
        for (int i = 0; i < 10; ++i) {
            QSqlQuery hold(other);
            hold.exec("begin");
            hold.exec("lock table accounts_dep.smena in access exclusive mode");
            cancelling.clock.start();
            try {
                journal.reopen();
            } catch (const Cancelled&) {
                answer << (cancelling.clock.nsecsElapsed() - cancelling.cancelledAt) / 1e6;
            }
            hold.exec("rollback");
        }
        StatementWait::setPresenter(nullptr);
        noBound.exec("reset lock_timeout");
        std::printf("A blocked read cancelled: back %.1f ms after the cancel (median of %lld; max %.1f)\n",
                    median(answer), qlonglong(answer.size()),
                    answer.isEmpty() ? 0.0 : *std::max_element(answer.begin(), answer.end()));
        other.close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
