// Start-up: the connection taken from the command line, --help and --version answered
// before anything starts, the real program ending with its message when the server cannot
// be reached, and the application icon Icon_1 on every window.
#include "app/Application.h"
#include "app/Form1.h"
#include "app/Form23.h"
#include "app/Program.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <QDate>
#include <QIcon>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void connectionFromArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("fallback");
        const QString builtIn = ConnectionSettings::builtInServer();
        QTest::newRow("none") << QStringList{"tabel"} << "" << builtIn << "vemor_erp";
        QTest::newRow("only the database is ignored")
            << QStringList{"tabel", "other"} << "" << builtIn << "vemor_erp";
        QTest::newRow("both") << QStringList{"tabel", "erp2", "db.plant"} << "erp2"
                              << "db.plant"
                              << "";
        QTest::newRow("empty first stays empty") << QStringList{"tabel", "", "10.0.0.5"} << ""
                                                 << "10.0.0.5"
                                                 << "";
        QTest::newRow("empty second is the built-in")
            << QStringList{"tabel", "erp2", ""} << "" << builtIn << "vemor_erp";
        QTest::newRow("socket folder") << QStringList{"tabel", "vemor_erp", "/run/db"} << "vemor_erp"
                                       << "/run/db"
                                       << "";
        QTest::newRow("a service") << QStringList{"tabel", "vemor_erp", "service=tabel2"} << "vemor_erp"
                                   << "service=tabel2"
                                   << "";
        QTest::newRow("option-looking first is the database")
            << QStringList{"tabel", "--help", "db.plant"} << "--help"
            << "db.plant"
            << "";
    }
    void connectionFromArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, database);
        QFETCH(QString, server);
        QFETCH(QString, fallback);
        const ConnectionSettings s = ConnectionSettings::fromArguments(arguments);
        QCOMPARE(s.database, database);
        QCOMPARE(s.server, server);
        QCOMPARE(s.fallbackDatabase, fallback);
        // The built-in connection is a service name: no host, user or password in the program.
        QVERIFY(!ConnectionSettings::builtInServer().contains("password"));
    }

    // SERVER as libpq keywords: a host list is quoted as one value, a connection string is kept.
    void serverBecomesLibpqKeywords_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("keywords");
        QTest::newRow("host") << "db.plant"
                              << "host='db.plant'";
        QTest::newRow("hosts") << "db1,db2"
                               << "host='db1,db2'";
        QTest::newRow("socket folder") << "/run/post gres"
                                       << "host='/run/post gres'";
        QTest::newRow("quote") << "a'b"
                               << "host='a\\'b'";
        QTest::newRow("service") << "service=tabel"
                                 << "service=tabel";
        QTest::newRow("string") << " host=db1 sslmode=verify-full "
                                << "host=db1 sslmode=verify-full";
        QTest::newRow("empty") << ""
                               << "";
    }
    void serverBecomesLibpqKeywords() {
        QFETCH(QString, server);
        QFETCH(QString, keywords);
        ConnectionSettings s;
        s.server = server;
        QCOMPARE(s.serverKeywords(), keywords);
    }

    // libpq's English reasons become one Russian sentence that says what to check.
    void connectFailuresAreExplainedInRussian_data() {
        QTest::addColumn<QString>("driverText");
        QTest::addColumn<QString>("startsWith");
        QTest::newRow("password")
            << "connection to server on socket failed: FATAL:  password authentication failed for user \"x\""
            << "Сервер базы данных не принял вход";
        QTest::newRow("no password") << "fe_sendauth: no password supplied"
                                     << "Сервер базы данных не принял вход";
        QTest::newRow("no hba") << "FATAL:  no pg_hba.conf entry for host \"[local]\""
                                << "Сервер базы данных не принял вход";
        QTest::newRow("service") << "definition of service \"tabel\" not found"
                                 << "Не найдено описание подключения";
        QTest::newRow("no tls") << "server does not support SSL, but SSL was required"
                                << "Сервер базы данных не поддерживает шифрованное подключение";
        QTest::newRow("unreachable") << "could not connect to server: Connection refused"
                                     << "";
    }
    void connectFailuresAreExplainedInRussian() {
        QFETCH(QString, driverText);
        QFETCH(QString, startsWith);
        const QString said = ConnectFailure::explain(driverText);
        if (startsWith.isEmpty())
            QCOMPARE(said, QString());
        else
            QVERIFY2(said.startsWith(startsWith), qPrintable(said));
        QVERIFY(!said.contains("password") && !said.contains("SSL"));
    }

    // Which command lines are answered without starting: only the option as the one argument.
    void commandLineAnswer_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer");
        QTest::newRow("help") << QStringList{"tabel", "--help"} << "usage";
        QTest::newRow("version") << QStringList{"tabel", "--version"} << "version";
        QTest::newRow("no arguments start") << QStringList{"tabel"} << "";
        QTest::newRow("a lone database name starts") << QStringList{"tabel", "vemor_erp"} << "";
        QTest::newRow("help with a server is a database") << QStringList{"tabel", "--help", "db.plant"} << "";
        QTest::newRow("version with an empty server is a database")
            << QStringList{"tabel", "--version", ""} << "";
        QTest::newRow("help as the server") << QStringList{"tabel", "vemor_erp", "--help"} << "";
        QTest::newRow("short option") << QStringList{"tabel", "-h"} << "";
        QTest::newRow("other case") << QStringList{"tabel", "--Help"} << "";
        QTest::newRow("option with a value") << QStringList{"tabel", "--version=1"} << "";
        QTest::newRow("option and space") << QStringList{"tabel", "--help "} << "";
    }
    void commandLineAnswer() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        const QString expected = answer == "usage"     ? Program::usage()
                                 : answer == "version" ? Program::version()
                                                       : QString();
        QCOMPARE(Program::commandLineAnswer(arguments), expected);
    }

    // The real program answers --help and --version on its output and ends at once: with a
    // platform that does not exist, creating a window (or the toolkit) would abort it.
    void optionsAnsweredWithoutWindowOrServer_data() {
        QTest::addColumn<QString>("option");
        QTest::newRow("help") << "--help";
        QTest::newRow("version") << "--version";
    }
    void optionsAnsweredWithoutWindowOrServer() {
        QFETCH(QString, option);
        QProcess tabel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "no-such-platform");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        tabel.setProcessEnvironment(env);
        tabel.start(TABEL_BINARY_DIR "/app/tabel", {option});
        QVERIFY(tabel.waitForFinished(30000));
        const QString out = QString::fromUtf8(tabel.readAllStandardOutput());
        const QString err = QString::fromUtf8(tabel.readAllStandardError());
        QCOMPARE(err, QString());
        QCOMPARE(tabel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tabel.exitCode(), 0);
        if (option == "--version") {
            const QRegularExpression line(R"(^tabel (\S+) \(build: (\d{8})\.(\d+)\)\n$)");
            const QRegularExpressionMatch m = line.match(out);
            QVERIFY2(m.hasMatch(), qPrintable(out));
            QCOMPARE(m.captured(1), QString(TABEL_VERSION));
            // The stamp of the program's own build: a real day and a time of day.
            QVERIFY2(QDate::fromString(m.captured(2), "yyyyMMdd").isValid(), qPrintable(out));
            QVERIFY2(m.captured(3).toInt() < 24 * 3600, qPrintable(out));
        } else {
            QVERIFY2(out.startsWith("Использование: tabel [БАЗА СЕРВЕР]\n"), qPrintable(out));
            QVERIFY2(
                out.contains("vemor_erp на встроенном сервере " + ConnectionSettings::builtInServer() + ";"),
                qPrintable(out));
            QVERIFY2(out.contains("Подключение к БД отсутсвует!!!"), qPrintable(out));
            QVERIFY2(out.contains("--version"), qPrintable(out));
        }
    }

    // Option-looking database names still reach the server as database names.
    void unreachableServerEndsTheProgramWithItsMessage_data() {
        QTest::addColumn<QString>("database");
        QTest::newRow("vemor_erp") << "vemor_erp";
        QTest::newRow("--help") << "--help";
        QTest::newRow("--version") << "--version";
    }
    void unreachableServerEndsTheProgramWithItsMessage() {
        QFETCH(QString, database);
        QProcess tabel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TABEL_MESSAGES", "stderr");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        tabel.setProcessEnvironment(env);
        tabel.start(TABEL_BINARY_DIR "/app/tabel", {database, "/nonexistent/socket-folder"});
        QVERIFY(tabel.waitForFinished(60000));
        const QString err = QString::fromUtf8(tabel.readAllStandardError());
        QCOMPARE(err.count("Подключение к БД отсутсвует!!!"), 1);
        QVERIFY2(err.contains("Ошибка!: Подключение к БД отсутсвует!!!"), qPrintable(err));
        QCOMPARE(tabel.exitStatus(), QProcess::NormalExit);
        QVERIFY(tabel.exitCode() != 0);
        QCOMPARE(QString::fromUtf8(tabel.readAllStandardOutput()), QString());
    }

    // Icon_1 comes from the program's resources in every size, drawn with a transparent
    // corner, and every window of the program shows it (none brings an icon of its own).
    void everyWindowShowsIcon1() {
        const QIcon icon = QApplication::windowIcon();
        QList<int> sizes;
        for (const QSize& size : icon.availableSizes()) {
            QCOMPARE(size.width(), size.height());
            sizes << size.width();
        }
        std::sort(sizes.begin(), sizes.end());
        QCOMPARE(sizes, (QList<int>{16, 24, 32, 48, 64, 128, 256}));
        for (int size : {16, 256}) {
            const QImage image = icon.pixmap(QSize(size, size)).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            QCOMPARE(qAlpha(image.pixel(0, 0)) < 64, true);
            QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
        }

        TestDb t("startup");
        RecordingMessages shown;
        createWindows();
        QCOMPARE(shown.texts(), QStringList());
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(windows.contains(instanceOf<Form1>()));
        QVERIFY(windows.contains(instanceOf<Form23>()));
        for (QWidget* w : windows)
            QVERIFY2(w->windowIcon().cacheKey() == icon.cacheKey(), w->metaObject()->className());
        destroyWindows();
    }
};

// The application the program itself runs (its fonts, its icon), not a bare QApplication.
int main(int argc, char** argv) {
    TabelApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startup.moc"
