// The data module: the journal statements on a small fixture, the count check, the
// decimal conversion, price texts, and typed text reaching the server unchanged.
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/SqlText.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <QTest>

class TestDataModule : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    int product = 0, oper = 0;
    const QDate day{2024, 3, 5};

private slots:
    void initTestCase() { t = std::make_unique<TestDb>("db"); }
    void cleanupTestCase() { t.reset(); }
    void init() {
        t->clearData();
        shown.clear();
        product = t->addProduct("ШР-120.02");
        oper = t->addOperation(t->addKind("Сварка"), product, 0, {12.5, 10.25});
    }

    void journalListsLinesOfItsShiftAndDateWithRoundedAmounts() {
        const int w = t->addWorker("Петров Пётр Петрович");
        t->addLine(w, oper, day, 1, 3, 1, 10.125, 4);       // (3-1)*10.125 = 20.25
        t->addLine(w, oper, day, 1, 7, 0, 0.3333, 2, "ok"); // 2.3331 -> 2.33
        t->addLine(w, oper, day, 2, 5, 0, 1, 8);            // other shift
        t->addLine(w, oper, day.addDays(1), 1, 5, 0, 1, 8); // other date
        Query& q = t->dm().Smena1;
        q.setParam("data", day);
        q.reopen();
        QCOMPARE(q.recordCount(), 2);
        QStringList sums;
        for (int i = 0; i < q.recordCount(); ++i)
            sums << q.row(i).value("summa").toString();
        sums.sort();
        QCOMPARE(sums, (QStringList{"2.33", "20.25"}));
        QCOMPARE(q.field("fio").toString(), QString("Петров Пётр Петрович"));
        QCOMPARE(q.field("nmn").toString(), QString("Готовая продукция"));
    }

    void journalJoinsWorkersByIdOrPersonnelCode() {
        // 1: matches nobody; the second number names one person by id and another by s_code.
        const int unknown = 900000;
        const int byId = t->addPerson("Первый Иван Иванович");
        t->addPerson("Второй Сергей Сергеевич", QString::number(byId));
        t->addLine(unknown, oper, day, 3, 1, 0, 1, 1);
        t->addLine(byId, oper, day, 3, 1, 0, 1, 1);
        Query& q = t->dm().Smena3;
        q.setParam("data", day);
        q.reopen();
        QStringList names;
        for (int i = 0; i < q.recordCount(); ++i)
            names << q.row(i).value("fio").toString();
        QCOMPARE(names, (QStringList{"Второй Сергей Сергеевич", "Первый Иван Иванович"}));
    }

    void journalHidesTheHiddenMarkAndLinesWithoutMark() {
        const int w = t->addWorker("Сидоров Сидор Сидорович");
        t->addLine(w, oper, day, 4, 1, 0, 1, 1, "ta");
        t->addLine(w, oper, day, 4, 1, 0, 1, 1, QString());
        const int shown = t->addLine(w, oper, day, 4, 1, 0, 1, 1, "да");
        Query& q = t->dm().Smena4;
        q.setParam("data", day);
        q.reopen();
        QCOMPARE(q.recordCount(), 1);
        QCOMPARE(q.field("id").toInt(), shown);
    }

    void operListsTheLowestNormPriceOfOperationsWithNorms() {
        t->addOperation(t->addKind("Гибка"), product, 1, {}); // no norms: never offered
        Query& q = t->dm().Oper;
        q.reopen();
        QCOMPARE(q.recordCount(), 1 + 2); // ours and the two reserved household operations
        QVERIFY(q.locate("id", oper));
        QCOMPARE(q.field("cena").toString(), QString("10.25"));
        QCOMPARE(q.field("norma").toLongLong(), 2LL);
    }

    void countCheckReportsADuplicateOnlyWhenCounted() {
        const int w = t->addWorker("Кузнецов Андрей Ильич");
        t->addLine(w, oper, day, 1, 1, 0, 1, 1);
        const QString sql = "select count(id) as cnt from accounts_dep.smena where w_id=:w";
        QCOMPARE(t->dm().CountCheck(sql, "Позиция с такими параметрами уже заведена!", {{"w", w + 1}}),
                 false);
        QVERIFY(shown.shown.isEmpty());
        QCOMPARE(t->dm().CountCheck(sql, "Позиция с такими параметрами уже заведена!", {{"w", w}}), true);
        QCOMPARE(shown.shown.size(), 1);
        QCOMPARE(shown.shown[0].caption, QString("Ошибка"));
        QCOMPARE(shown.shown[0].text, QString("Позиция с такими параметрами уже заведена!"));
        QCOMPARE(shown.shown[0].kind, ShownMessage::Error);
    }

    void countCheckWithoutCntFails() {
        QVERIFY_THROWS_EXCEPTION(DbError, t->dm().CountCheck("select 1 as other", "x"));
    }

    void decimalToDb_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delim");
        QTest::addColumn<QString>("expected");
        QTest::newRow("comma to point") << "12,5"
                                        << "."
                                        << "12.5";
        QTest::newRow("no separator") << "12"
                                      << "."
                                      << "12";
        QTest::newRow("only the comma is replaced") << "1.234,5"
                                                    << "."
                                                    << "1.234.5";
        QTest::newRow("point to comma") << "0.75"
                                        << ","
                                        << "0,75";
        QTest::newRow("empty delim removes it") << "12,5"
                                                << ""
                                                << "125";
        QTest::newRow("first comma only") << "1,2,3"
                                          << "."
                                          << "1.2,3";
        QTest::newRow("empty text") << ""
                                    << "."
                                    << "";
    }
    void decimalToDb() {
        QFETCH(QString, text);
        QFETCH(QString, delim);
        QFETCH(QString, expected);
        t->dm().Delim = delim;
        QCOMPARE(t->dm().DecimalToDb(text), expected);
    }

    void priceText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fraction") << 12.5 << "12.5";
        QTest::newRow("whole") << 10.0 << "10";
        QTest::newRow("four decimals") << 0.12345 << "0.1235";
        QTest::newRow("half up on the decimal text") << 2.00005 << "2.0001";
        QTest::newRow("day off and shift 3") << 3.75 * 2 * 1.2 << "9";
        QTest::newRow("overtime") << 1.15 * 1.5 << "1.725";
        QTest::newRow("zero") << 0.0 << "0";
    }
    void priceText() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(SqlText::price(value), expected);
    }

    void typedTextReachesTheServerUnchanged() {
        const QString name = "O'Brien \"Джон\"; drop table accounts_dep.smena; -- ' \\ ''";
        t->dm().SQL_exec.setSql("INSERT INTO accounts_dep.person (fio, s_staffpos_hl)VALUES(:fio, :dept)");
        t->dm().SQL_exec.setParam("fio", name);
        t->dm().SQL_exec.setParam("dept", "Цех №1; '");
        QCOMPARE(t->dm().SQL_exec.exec(), 1);
        QCOMPARE(t->scalar("select fio from accounts_dep.person").toString(), name);
        QCOMPARE(t->scalar("select s_staffpos_hl from accounts_dep.person").toString(), QString("Цех №1; '"));
        // The worker number is his personnel code, so every way of matching him agrees.
        QCOMPARE(t->scalar("select count(*) from accounts_dep.person w join cmn_contractor.person p "
                           "on p.id = w.id and p.s_code::integer = w.id")
                     .toLongLong(),
                 1LL);
    }

    void serverErrorCarriesTheServerMessage() {
        t->dm().SQL_exec.setSql("insert into accounts_dep.no_such_table values (1)");
        try {
            t->dm().SQL_exec.exec();
            QFAIL("no error");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains("no_such_table"), qPrintable(e.message()));
        }
    }
};

QTEST_MAIN(TestDataModule)
#include "tst_db.moc"
