// The login window with its access roles, and the build check against the database.
#include "app/Access.h"
#include "app/BuildCheck.h"
#include "app/Form1.h"
#include "app/Form23.h"
#include "app/Program.h"
#include "db/Instances.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTest>

using Enabled = QMap<QString, bool>;
Q_DECLARE_METATYPE(Role)

class TestLogin : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    int endRequests = 0;
    Form1* form1 = nullptr;
    Form23* form23 = nullptr;

    // Every control a role decides on, by the name the main window gives it.
    static QMap<QString, QObject*> controls(Form1& f) {
        return {{"Button1", f.Button1},
                {"Button2", f.Button2},
                {"Button3", f.Button3},
                {"Button8", f.Button8},
                {"Button5", f.Button5},
                {"Button4", f.Button4},
                {"RadioButton1", f.RadioButton1},
                {"RadioButton2", f.RadioButton2},
                {"RadioButton3", f.RadioButton3},
                {"RadioButton4", f.RadioButton4},
                {"CBox1", f.CBox1},
                {"DateT", f.DateT},
                {"DBGrid2", f.DBGrid2},
                {"N2", f.N2->menuAction()},
                {"N11", f.N11->menuAction()},
                {"N9", f.N9},
                {"N7", f.N7->menuAction()},
                {"N5", f.N5}};
    }
    static bool isEnabled(QObject* o) {
        if (auto* w = qobject_cast<QWidget*>(o)) return w->isEnabled();
        return qobject_cast<QAction*>(o)->isEnabled();
    }

    // Logs in with the code; returns the enabled state of every control while the journal is shown.
    Enabled logIn(const QString& code, bool* journalShown) {
        Enabled seen;
        *journalShown = false;
        // A refused code never shows the journal: the driver is stopped before `seen` goes.
        const auto driver = whenModal([&](QWidget* w) {
            if (w != form1) return false;
            *journalShown = true;
            const auto all = controls(*form1);
            for (auto it = all.begin(); it != all.end(); ++it)
                seen[it.key()] = isEnabled(it.value());
            form1->reject();
            return true;
        });
        form23->Edit1->setText(code);
        form23->Button1Click();
        stopDriving(driver);
        return seen;
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("login");
        Program::setEnder([this] { ++endRequests; });
    }
    void cleanupTestCase() { t.reset(); }
    void init() {
        t->clearData();
        shown.clear();
        endRequests = 0;
        form1 = new Form1;
        registerInstance(form1);
        form23 = new Form23;
        registerInstance(form23);
        // As if every window of the program existed: what is enabled is the role's decision alone.
        form1->unavailable.clear();
        BuildCheck::setCurrent(QString("Feb 22 2024"), QString("14:59:32"));
    }
    void cleanup() {
        unregisterInstance<Form23>();
        unregisterInstance<Form1>();
        delete form23;
        delete form1;
        Access::setCurrent(Role::None);
    }

    void roleDecidesTheJournalControls_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("disabled");
        // The budget office's grid stays enabled: it scrolls and selects, and confirms nothing.
        const QStringList journal{"Button1",      "Button2",      "Button3",      "Button8",
                                  "RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4",
                                  "CBox1",        "DateT",        "N2",           "N9"};
        QTest::newRow("full access") << "63175204" << QStringList{};
        QTest::newRow("full access, short code") << "5938" << QStringList{};
        QTest::newRow("budget office") << "budget" << journal;
        QTest::newRow("foremen") << "foreman" << QStringList{"Button2", "Button3", "N2", "N11", "N9"};
        QTest::newRow("warehouse") << "depot"
                                   << QStringList{"Button1", "Button2", "Button3", "N2", "N11", "N9"};
    }
    void roleDecidesTheJournalControls() {
        QFETCH(QString, code);
        QFETCH(QStringList, disabled);
        bool journalShown = false;
        const Enabled seen = logIn(code, &journalShown);
        QVERIFY(journalShown);
        for (auto it = seen.begin(); it != seen.end(); ++it)
            QVERIFY2(it.value() == !disabled.contains(it.key()), qPrintable(code + ": " + it.key()));
        QCOMPARE(t->dm().Smena1.param("ok").toString(), QString("ta"));
        QCOMPARE(t->dm().Smena4.param("ok").toString(), QString("ta"));
        QCOMPARE(form1->CurSmena, 1);
        QCOMPARE(form1->LoginText, code);
        // The journal closed: the login window closes and the program ends, no second login.
        QVERIFY(!form23->isVisible());
        QCOMPARE(endRequests, 1);
        QVERIFY(shown.shown.isEmpty());
    }

    void codeComparison_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Role>("role");
        QTest::newRow("spaces around") << "  5938  " << Role::Full;
        QTest::newRow("tab and newline around") << "\t63175204\r\n" << Role::Full;
        QTest::newRow("budget") << " budget" << Role::Budget;
        QTest::newRow("foreman") << "foreman " << Role::Foreman;
        QTest::newRow("depot") << "depot" << Role::Depot;
        QTest::newRow("other letter case") << "Budget" << Role::None;
        QTest::newRow("upper case") << "DEPOT" << Role::None;
        QTest::newRow("inner space") << "59 38" << Role::None;
        QTest::newRow("extra character") << "59381" << Role::None;
        QTest::newRow("part of a code") << "593" << Role::None;
        QTest::newRow("empty") << "" << Role::None;
        QTest::newRow("Cyrillic look-alike") << "dеpot" << Role::None; // Cyrillic е
    }
    void codeComparison() {
        QFETCH(QString, typed);
        QFETCH(Role, role);
        QCOMPARE(Access::roleOfCode(typed), role);
    }

    void wrongCodeThenTheRightOne() {
        bool journalShown = true;
        logIn("budget ", &journalShown); // budget: "Табель" off
        cleanup();
        init();
        logIn("5939", &journalShown);
        QVERIFY(!journalShown);
        QCOMPARE(shown.texts(), QStringList{"Введены неверные данные."});
        QCOMPARE(shown.shown[0].caption, QString("Ошибка"));
        QCOMPARE(shown.shown[0].kind, ShownMessage::Error);
        QCOMPARE(form1->N11->menuAction()->isEnabled(), false);
        QCOMPARE(form1->LoginText, QString("5939"));
        QCOMPARE(endRequests, 0);
        const Enabled seen = logIn("5938", &journalShown);
        QVERIFY(journalShown);
        QCOMPARE(seen["N11"], true);
        QCOMPARE(shown.shown.size(), 1);
    }

    void wrongCodeLeavesAnEmptyBoxForTheNextTry() {
        // The box says what to type, and is named by that label.
        QLabel* label = nullptr;
        for (QLabel* l : form23->findChildren<QLabel*>())
            if (l->buddy() == form23->Edit1) label = l;
        QVERIFY(label);
        QCOMPARE(label->text(), QString("Введите код доступа"));
        QCOMPARE(form23->Edit1->accessibleName(), label->text());

        form23->show();
        QVERIFY(QTest::qWaitForWindowActive(form23));
        form23->Edit1->setFocus();
        QTest::keyClicks(form23->Edit1, "5939");
        QTest::keyClick(form23->Edit1, Qt::Key_Return);
        QCOMPARE(shown.texts(), QStringList{"Введены неверные данные."});
        QCOMPARE(form23->Edit1->text(), QString());
        QVERIFY(form23->Edit1->hasFocus());
        // The right code typed next is the whole text of the box.
        bool journalShown = false;
        const auto driver = whenModal([&](QWidget* w) {
            if (w != form1) return false;
            journalShown = true;
            form1->reject();
            return true;
        });
        QTest::keyClicks(form23->Edit1, "5938");
        QTest::keyClick(form23->Edit1, Qt::Key_Return);
        stopDriving(driver);
        QVERIFY(journalShown);
        QCOMPARE(form1->LoginText, QString("5938"));
        QCOMPARE(shown.shown.size(), 1);
    }

    void codesAreNotInTheProgram() {
        QFile binary(TABEL_BINARY_DIR "/app/tabel");
        QVERIFY(binary.open(QIODevice::ReadOnly));
        const QByteArray bytes = binary.readAll();
        // Names the compiler makes up (a sanitizer build's ".Lubsan_data5938", say) are no text
        // of the program's.
        static const QRegularExpression madeUp(QStringLiteral("\\.L[A-Za-z_]+[0-9]+"));
        const QString text = QString::fromLatin1(bytes).remove(madeUp);
        for (const char* code : {"63175204", "5938", "budget", "depot"})
            QVERIFY2(!text.contains(QLatin1String(code)), code);
    }

    void activationShowsTheBuildInTheCaption() {
        form23->FormActivate();
        QCOMPARE(form23->windowTitle(), QString("Авторизация (build: 20240222.53972)"));
        QCOMPARE(form1->BuildDate, 20240222);
        QCOMPARE(form1->BuildTime, 53972);
    }

    void buildNumbers_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("number");
        const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        for (int m = 0; m < 12; ++m)
            QTest::newRow(months[m]) << QString("%1 15 2024").arg(months[m]) << 20240015 + (m + 1) * 100;
        QTest::newRow("space-padded day") << "Sep  5 2023" << 20230905;
        QTest::newRow("unknown month") << "??? 12 2023" << 20230112;
        QTest::newRow("unknown day") << "Mar ?? 2023" << 20230301;
        QTest::newRow("unknown year") << "Jun 30 ????" << 19000630;
        QTest::newRow("all unknown") << "??? ?? ????" << 19000101;
    }
    void buildNumbers() {
        QFETCH(QString, date);
        QFETCH(int, number);
        QCOMPARE(BuildCheck::buildDate(date), number);
    }

    void buildTimes_data() {
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("seconds");
        QTest::newRow("afternoon") << "14:59:32" << 53972;
        QTest::newRow("midnight") << "00:00:00" << 0;
        QTest::newRow("last second") << "23:59:59" << 86399;
    }
    void buildTimes() {
        QFETCH(QString, time);
        QFETCH(int, seconds);
        QCOMPARE(BuildCheck::buildTime(time), seconds);
    }

    void buildRecordFollowsTheNewestProgram() {
        auto record = [this] {
            return QPair<int, int>(t->scalar("select d from accounts_dep.ver").toInt(),
                                   t->scalar("select t from accounts_dep.ver").toInt());
        };
        // An empty table gets its row from the first check.
        t->exec("delete from accounts_dep.ver");
        QCOMPARE(BuildCheck::check(t->dm(), {20240222, 53972}), BuildCheck::Outcome::Raised);
        QCOMPARE(record(), qMakePair(20240222, 53972));
        QCOMPARE(t->scalar("select count(*) from accounts_dep.ver").toLongLong(), 1LL);
        // The same build changes nothing; one second later raises the time only.
        QCOMPARE(BuildCheck::check(t->dm(), {20240222, 53972}), BuildCheck::Outcome::Same);
        QCOMPARE(BuildCheck::check(t->dm(), {20240222, 53973}), BuildCheck::Outcome::Raised);
        QCOMPARE(record(), qMakePair(20240222, 53973));
        // A build of an earlier day is older, however late in that day it was made.
        QCOMPARE(BuildCheck::check(t->dm(), {20240221, 86399}), BuildCheck::Outcome::Newer);
        QCOMPARE(record(), qMakePair(20240222, 53973));
        QCOMPARE(t->scalar("select count(*) from accounts_dep.ver").toLongLong(), 1LL);
    }

    void olderProgramWarnsAndEnds() {
        // A newer program has raised the record; this one is one second older.
        BuildCheck::setCurrent({20240222, 53973});
        form1->CheckVersion();
        BuildCheck::setCurrent({20240222, 53972});
        QVERIFY(!form23->Timer1->isActive());
        form1->Timer1Timer();
        QCOMPARE(shown.texts(),
                 QStringList{"Версия программы не соответсвует БД! Запустите программу через 5 мин."});
        QCOMPARE(shown.shown[0].caption, QString("Ошибка"));
        QVERIFY(form23->Timer1->isActive());
        QCOMPARE(form23->Timer1->interval(), 5000);
        QCOMPARE(endRequests, 1);
        QCOMPARE(t->scalar("select t from accounts_dep.ver").toInt(), 53973);
    }

    void delimitersFollowTheRecord() {
        t->exec("update accounts_dep.ver set delim = ','");
        form1->CheckVersion();
        QCOMPARE(t->dm().Delim, QString(","));
        t->exec("update accounts_dep.ver set delim = '.'");
        form1->Timer1Timer();
        QCOMPARE(t->dm().Delim, QString("."));
        // A record without a separator, or a new one, means the server's point: never an empty
        // separator that would make 12.5 into 125.
        t->exec("update accounts_dep.ver set delim = null");
        form1->Timer1Timer();
        QCOMPARE(t->dm().Delim, QString("."));
        t->exec("delete from accounts_dep.ver");
        form1->Timer1Timer();
        QCOMPARE(t->dm().Delim, QString("."));
        QCOMPARE(t->scalar("select delim from accounts_dep.ver").toString(), QString("."));
    }

    void unreadableRecordIsReportedAndTriedAgain() {
        t->exec("alter table accounts_dep.ver rename to ver_away");
        form1->Timer1Timer();
        QCOMPARE(shown.shown.size(), 1);
        QVERIFY2(shown.shown[0].text.contains("accounts_dep.ver"), qPrintable(shown.shown[0].text));
        QCOMPARE(endRequests, 0);
        t->exec("alter table accounts_dep.ver_away rename to ver");
        form1->Timer1Timer();
        QCOMPARE(shown.shown.size(), 1);
        QCOMPARE(t->scalar("select d from accounts_dep.ver").toInt(), 20240222);
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
