// The save as the user feels it, on the benchmark database's busiest date: from "Запись" pressed
// in the entry dialog opened by the journal's "Добавить" to the journal's model holding the new
// line (the save, the dialog's re-read of its shift, the journal's read on the return), beside
// the server's own time for the same statements. Runs alternate: in every second one the
// session logs each statement's duration (log_min_duration_statement = 0) and the durations
// the server wrote into its log during the run are summed; the others are timed as the user
// sees them, without the logging. Each saved line is deleted again before the next run.
//   bench_save SOCKET_FOLDER SERVER_LOG [DATABASE]
#include "app/Form1.h"
#include "bench/BenchSupport.h"
#include "db/Bounds.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "journal/Form11.h"
#include "journal/Journal.h"

#include <algorithm>
#include <cstdio>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTimer>

namespace {
// The server's log from `offset` on, and the sum of the statement durations written there (ms).
double loggedMilliseconds(const QString& path, qint64 offset, int* statements) {
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly) || !log.seek(offset)) throw DbError("cannot read " + path);
    static const QRegularExpression duration(QStringLiteral("duration: ([0-9.]+) ms"));
    double sum = 0;
    *statements = 0;
    for (auto it = duration.globalMatch(QString::fromUtf8(log.readAll())); it.hasNext();) {
        sum += it.next().captured(1).toDouble();
        ++*statements;
    }
    return sum;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_save SOCKET_FOLDER SERVER_LOG [DATABASE]\n");
        return 2;
    }
    const QString logPath = args.takeAt(2);
    DataModule6 dm;
    YesMessages yes;
    setMessages(&yes);
    if (const int status = connectBench(dm, args, "bench_save SOCKET_FOLDER SERVER_LOG [DATABASE]"))
        return status;
    try {
        // As the program starts: the extension found, and with it the path its saves take.
        Extension::detect(dm.ADO_DB());
        QSqlQuery busiest = run(dm, "select data, count(*) from accounts_dep.smena group by data order by 2 "
                                    "desc, 1 limit 1");
        busiest.next();
        const QDate date = busiest.value(0).toDate();
        QSqlQuery sample = run(dm,
                               "select w_id, o_id, i_id, cena from accounts_dep.smena where data = :d and "
                               "smena = 1 limit 1",
                               {{"d", date}});
        sample.next();
        // The journal's today is the busiest date, so the return from the dialog reads that date.
        Bounds::setClock([date] { return date; });
        for (int s = 1; s <= 4; ++s)
            dm.smenaQuery(s).setParam("ok", Journal::HiddenMark);

        Form1 journal;
        registerInstance(&journal);
        Form11 dialog;
        registerInstance(&dialog);
        journal.Timer1->stop();
        journal.today = [date] { return date; };
        journal.show();
        // The dialog is opened from the journal when the journal is the active window, as it is
        // when the user presses "Добавить"; the window system hands it back after each dialog.
        auto waitActive = [&journal] {
            journal.activateWindow();
            for (QElapsedTimer shown; !journal.isActiveWindow() && shown.elapsed() < 5000;) {
                QEventLoop pause;
                QTimer::singleShot(5, &pause, &QEventLoop::quit);
                pause.exec();
            }
            if (!journal.isActiveWindow())
                throw DbError(QStringLiteral("the journal is not the active window"));
        };
        Query& shift1 = dm.smenaQuery(1);

        QFile log(logPath);
        if (!log.exists()) throw DbError("no server log at " + logPath);
        const int rounds = 80, warmUp = 10;
        QVector<double> user, server;
        int statements = 0;
        for (int i = 0; i < rounds; ++i) {
            waitActive();
            const bool logged = i % 2 == 1;
            const int colour = 90000 + i; // never a duplicate of a real line
            qint64 offset = 0;
            if (logged) {
                QSqlQuery(dm.ADO_DB()).exec(QStringLiteral("set log_min_duration_statement = 0"));
                offset = QFile(logPath).size();
            }
            QElapsedTimer t;
            // The dialog filled in as the pickers would, then "Запись".
            auto* driver = new QTimer;
            driver->setInterval(5);
            QObject::connect(driver, &QTimer::timeout, driver, [&, driver] {
                if (QApplication::activeModalWidget() != &dialog) return;
                driver->stop();
                driver->deleteLater();
                dialog.pickWorker(QStringLiteral("bench"), sample.value(0).toInt());
                dialog.SelOId = sample.value(1).toInt();
                dialog.SelIId = sample.value(2).toInt();
                dialog.SelPrice = sample.value(3).toDouble();
                dialog.Edit2->setText(QStringLiteral("bench; bench; bench"));
                dialog.Edit3->setText(QStringLiteral("10"));
                dialog.Edit5->setText(QString::number(colour));
                t.start();
                dialog.Button1->click();
                if (dialog.isVisible()) dialog.reject();
            });
            driver->start();
            journal.Button1->click();
            const double felt = t.nsecsElapsed() / 1e6;
            if (!dialog.SavedId || shift1.field(QStringLiteral("id")).toInt() != dialog.SavedId ||
                shift1.field(QStringLiteral("color")).toInt() != colour)
                throw DbError("the saved line is not the journal's current line");
            if (logged) {
                int n = 0;
                const double ms = loggedMilliseconds(logPath, offset, &n);
                QSqlQuery(dm.ADO_DB()).exec(QStringLiteral("reset log_min_duration_statement"));
                if (i >= warmUp) {
                    server << ms;
                    statements = n;
                }
            } else if (i >= warmUp) {
                user << felt;
            }
            Journal::deleteLine(dm, dialog.SavedId);
            Journal::openAll(dm, date);
        }
        std::printf("Busiest date %s: the journal shows %d + %d + %d + %d lines; %d runs timed, %d logged\n",
                    qPrintable(date.toString("dd.MM.yyyy")), dm.smenaQuery(1).recordCount(),
                    dm.smenaQuery(2).recordCount(), dm.smenaQuery(3).recordCount(),
                    dm.smenaQuery(4).recordCount(), int(user.size()), int(server.size()));
        std::printf(
            "\"Запись\" to the journal holding the line, as the user sees it: median %.2f ms, p90 %.2f ms\n",
            median(user), percentile(user, 0.9));
        std::printf("The server's own time for its %d statements:            median %.2f ms, p90 %.2f ms\n",
                    statements, median(server), percentile(server, 0.9));
        std::printf("  ratio: median %.2f, p90 %.2f\n", median(user) / median(server),
                    percentile(user, 0.9) / percentile(server, 0.9));
        unregisterInstance<Form11>();
        unregisterInstance<Form1>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    unregisterInstance<DataModule6>();
    return 0;
}
