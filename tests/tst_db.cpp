// The data module: the journal statements on a small fixture, the count check, the
// decimal conversion, price texts, and typed text reaching the server unchanged.
#include "app/BuildCheck.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <QSqlQuery>
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

    void referenceSchemaHoldsEveryColumnTheProgramReads() {
        const QMap<QString, QString> columns{
            {"accounts_dep.smena",
             "id w_id i_id o_id kol_vo brak data smena cena color time ok vvod prize id_doc "
             "id_doc_item f_gds_qty_use id_gds_use id_cons_use"},
            {"accounts_dep.h_tabel", "id w_id smena month year d1 d15 d31 i_type i_night"},
            {"accounts_dep.fatigue",
             "id id_nom id_o id_p d_date i_mnth i_year i_smena cnt price i_holiday i_night"},
            {"accounts_dep.oper", "id vid naimen i_id cena cena_new"},
            {"accounts_dep.norm", "id o_id norma price prize"},
            {"accounts_dep.vid_oper", "id vid"},
            {"accounts_dep.izdel", "id marka nom massa id_class_item"},
            {"accounts_dep.person", "id fio s_staffpos_hl"},
            {"accounts_dep.ver", "d t delim"},
            {"cmn_gds_and_srv.gds_and_srv", "id s_caption s_description id_msm_bs massa id_class_item"},
            {"cmn_classifier.item", "id id_classifier id_level s_code s_caption s_description b_excluded "
                                    "d_excluded_date id_parent"},
            {"cmn_contractor.person", "id s_caption s_code"},
            {"adm_role.roles", "id s_name s_caption d_begin d_end b_active"},
            {"hrms_staffpos.staffpos", "id id_department s_code s_caption d_begin d_end s_description"},
            {"cmn_department.department", "id id_branch id_parent s_code s_caption s_description"},
        };
        for (auto it = columns.begin(); it != columns.end(); ++it) {
            const QStringList names = it.value().split(' ');
            const qlonglong found = t->scalar("select count(*) from information_schema.columns where "
                                              "table_schema || '.' || table_name = "
                                              ":table and column_name = any(string_to_array(:names, ' '))",
                                              {{"table", it.key()}, {"names", it.value()}})
                                        .toLongLong();
            QVERIFY2(found == names.size(), qPrintable(it.key()));
        }
        // Defaults the journal relies on, and the one build record.
        t->exec("insert into accounts_dep.h_tabel (w_id, month, year) values (1, 1, 2024)");
        QCOMPARE(t->scalar("select smena::text || '/' || i_type::text from accounts_dep.h_tabel").toString(),
                 QString("0/0"));
        QCOMPARE(t->scalar("select count(*) from accounts_dep.ver").toLongLong(), 1LL);
        QCOMPARE(
            t->scalar("select count(*) from accounts_dep.norm n join accounts_dep.oper o on o.id = n.o_id "
                      "where o.vid in (7777, 7778) and o.i_id = 7777")
                .toLongLong(),
            2LL);
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

    void queryReadsEveryTypeAsTheServerSentIt_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("smallint") << "(-7)::smallint" << QVariant(-7);
        QTest::newRow("integer") << "2147483647" << QVariant(2147483647);
        QTest::newRow("bigint") << "count(*) over ()" << QVariant(1LL);
        QTest::newRow("float") << "0.1::float8 + 0.2::float8" << QVariant(0.1 + 0.2);
        QTest::newRow("numeric stays exact")
            << "round(1234567890123.455::numeric, 2)" << QVariant("1234567890123.46");
        QTest::newRow("identifier") << "7777::t_id" << QVariant("7777");
        QTest::newRow("date") << "'2024-02-29'::date" << QVariant(QDate(2024, 2, 29));
        QTest::newRow("timestamp keeps its wall clock")
            << "'2024-03-31 02:30:15.25'::timestamp"
            << QVariant(QDateTime(QDate(2024, 3, 31), QTime(2, 30, 15, 250), Qt::UTC));
        QTest::newRow("text") << "'Окраска эмалью (краска ПФ-115) «№1»'::varchar"
                              << QVariant("Окраска эмалью (краска ПФ-115) «№1»");
        QTest::newRow("boolean through the driver") << "true" << QVariant(true);
        QTest::newRow("null integer") << "null::integer" << QVariant(QMetaType(QMetaType::Int));
        QTest::newRow("null date") << "null::date" << QVariant(QMetaType(QMetaType::QDate));
    }
    void queryReadsEveryTypeAsTheServerSentIt() {
        QFETCH(QString, expression);
        QFETCH(QVariant, expected);
        Query q;
        q.setConnectionName(DataModule6::ConnectionName);
        q.setSql("select " + expression + " as v, :p::text as p");
        q.setParam("p", "x");
        q.open();
        QCOMPARE(q.recordCount(), 1);
        const QVariant v = q.field("v");
        QCOMPARE(v.isNull(), expected.isNull());
        QCOMPARE(v, expected);
        q.reopen(); // the prepared statement serves again
        QCOMPARE(q.field("v"), expected);
        QCOMPARE(q.field("p").toString(), QString("x"));
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
        QTest::newRow("empty delim means the point") << "12,5"
                                                     << ""
                                                     << "12.5";
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

    // The build check takes the record's separator; one that names nothing means the point,
    // and a product's mass typed as 12,5 reaches the numeric column as 12.5, not 125.
    void separatorOfTheBuildRecordKeepsTheMassExact_data() {
        QTest::addColumn<QVariant>("recorded");
        QTest::addColumn<QString>("expectedDelim");
        QTest::newRow("null") << QVariant(QMetaType(QMetaType::QString)) << ".";
        QTest::newRow("empty") << QVariant(QString("")) << ".";
        QTest::newRow("blank") << QVariant(QString(" ")) << ".";
        QTest::newRow("point") << QVariant(QString(".")) << ".";
    }
    void separatorOfTheBuildRecordKeepsTheMassExact() {
        QFETCH(QVariant, recorded);
        QFETCH(QString, expectedDelim);
        t->exec("update accounts_dep.ver set delim = :delim", {{"delim", recorded}});
        t->dm().Delim = "stale";
        BuildCheck::check(t->dm(), BuildCheck::current());
        QCOMPARE(t->dm().Delim, expectedDelim);
        t->dm().SQL_exec.setSql("update cmn_gds_and_srv.gds_and_srv set massa=:massa where id=:id");
        t->dm().SQL_exec.setParam("massa", t->dm().DecimalToDb("12,5"));
        t->dm().SQL_exec.setParam("id", product);
        QCOMPARE(t->dm().SQL_exec.exec(), 1);
        QCOMPARE(t->scalar("select massa::text from accounts_dep.izdel where id=:id", {{"id", product}})
                     .toString(),
                 QString("12.500000"));
    }

    // The scratch query and commands serve many callers: a use never sees the values of the
    // previous one, and a parameter binds only the placeholder of its whole name.
    void scratchStatementsStartCleanAndMatchWholeNames() {
        const int w = t->addWorker("Кузнецов Андрей Ильич");
        t->addLine(w, oper, day, 1, 1, 0, 1, 1);
        const QString byWorker = "select count(id) as cnt from accounts_dep.smena where w_id=:w";
        QCOMPARE(t->dm().CountCheck(byWorker, "есть", {{"w", w}}), true);
        // The same placeholder without a value of its own is null now, not the last worker.
        QCOMPARE(t->dm().CountCheck(byWorker + " or :w::int is not null", "есть"), false);

        Query& q = t->dm().Control;
        q.setSql("select :id_ii::int as long_name, :id::int as short_name, ':id'::text as literal, "
                 "\"id\"::text as col from (select 'x' as \"id\") s");
        q.setParam("id", 5);
        q.setParam("id_ii", 7);
        q.open();
        QCOMPARE(q.field("long_name").toInt(), 7);
        QCOMPARE(q.field("short_name").toInt(), 5);
        QCOMPARE(q.field("literal").toString(), QString(":id"));
        q.setSql("select :id_ii::int as long_name");
        q.setParam("id", 5);
        q.open();
        QVERIFY(q.field("long_name").isNull());
        q.close();

        Command& cmd = t->dm().SQL_exec;
        cmd.setSql("update accounts_dep.smena set brak=:brak where w_id=:w");
        cmd.setParam("brak", 1);
        cmd.setParam("w", w);
        QCOMPARE(cmd.exec(), 1);
        cmd.setSql("update accounts_dep.smena set kol_vo=5 where w_id=:w or :brak::int is not null");
        cmd.setParam("w", w + 1);
        QCOMPARE(cmd.exec(), 0);
    }

    void keptStatementsStartCleanAndOutliveANewSession() {
        QSqlDatabase other = t->openOther("kept");
        {
            const QString sql = "select :a::int as a, :b::int as b";
            QSqlQuery& first = execKept(other, sql, {{"a", 1}, {"b", 2}});
            QVERIFY(first.next());
            QCOMPARE(first.value(1).toInt(), 2);
            // A value not given this time is null, not the one of the last run.
            QSqlQuery& second = execKept(other, sql, {{"a", 3}});
            QCOMPARE(&second, &first); // the same statement, prepared once
            QVERIFY(second.next());
            QCOMPARE(second.value(0).toInt(), 3);
            QVERIFY(second.value(1).isNull());
            // The connection opened anew has none of the old statements: inside a transaction
            // the statement is prepared again and the transaction goes on unharmed.
            other.close();
            QVERIFY(other.open());
            QVERIFY(other.transaction());
            QSqlQuery& third = execKept(other, sql, {{"a", 4}, {"b", 5}});
            QVERIFY(third.next());
            QCOMPARE(third.value(1).toInt(), 5);
            execKept(other, "insert into accounts_dep.vid_oper (vid) values (:v)", {{"v", "Гибка"}});
            QVERIFY(other.commit());
        }
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("kept");
        QCOMPARE(t->scalar("select count(*) from accounts_dep.vid_oper where vid='Гибка'").toInt(), 1);
    }

    void placeholderNames_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("whole words") << "where i_id=:id_ii and id=:id and x=:id"
                                     << QStringList{"id_ii", "id"};
        QTest::newRow("casts are none") << "select :n::integer, a::text" << QStringList{"n"};
        QTest::newRow("quoted are none") << "select ':a', 'it''s :b', \":c\", :d" << QStringList{"d"};
        QTest::newRow("cyrillic name") << "select :дата" << QStringList{"дата"};
        QTest::newRow("lone colon") << "select ': ' || :" << QStringList{};
    }
    void placeholderNames() {
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        QCOMPARE(::placeholderNames(sql), names);
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
