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
        QTest::newRow("option-looking first is the database")
            << QStringList{"tabel", "--help", "db.plant"} << "--help"
            << "db.plant";
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
