// Start-up: the connection taken from the command line, and the real program ending with
// its message when the server cannot be reached.
#include "db/DataModule6.h"

#include <QProcess>
#include <QTest>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void connectionFromArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("server");
        const QString builtIn = ConnectionSettings::builtInServer();
        QTest::newRow("none") << QStringList{"tabel"} << "vemor_erp" << builtIn;
        QTest::newRow("only the database is ignored")
            << QStringList{"tabel", "other"} << "vemor_erp" << builtIn;
        QTest::newRow("both") << QStringList{"tabel", "erp2", "db.plant"} << "erp2"
                              << "db.plant";
        QTest::newRow("empty first stays empty") << QStringList{"tabel", "", "10.0.0.5"} << ""
                                                 << "10.0.0.5";
        QTest::newRow("empty second is the built-in")
            << QStringList{"tabel", "erp2", ""} << "vemor_erp" << builtIn;
        QTest::newRow("socket folder") << QStringList{"tabel", "vemor_erp", "/run/db"} << "vemor_erp"
                                       << "/run/db";
    }
    void connectionFromArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, database);
        QFETCH(QString, server);
        const ConnectionSettings s = ConnectionSettings::fromArguments(arguments);
        QCOMPARE(s.database, database);
        QCOMPARE(s.server, server);
        QCOMPARE(s.port, 5432);
        QCOMPARE(s.user, QString("sys"));
        QCOMPARE(s.password, QString("wexfopl"));
        QCOMPARE(ConnectionSettings::builtInServer().isEmpty(), false);
    }

    void unreachableServerEndsTheProgramWithItsMessage() {
        QProcess tabel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TABEL_MESSAGES", "stderr");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        tabel.setProcessEnvironment(env);
        tabel.start(TABEL_BINARY_DIR "/app/tabel", {"vemor_erp", "/nonexistent/socket-folder"});
        QVERIFY(tabel.waitForFinished(60000));
        const QString err = QString::fromUtf8(tabel.readAllStandardError());
        QCOMPARE(err.count("Подключение к БД отсутсвует!!!"), 1);
        QVERIFY2(err.contains("Ошибка!: Подключение к БД отсутсвует!!!"), qPrintable(err));
        QCOMPARE(tabel.exitStatus(), QProcess::NormalExit);
        QVERIFY(tabel.exitCode() != 0);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
