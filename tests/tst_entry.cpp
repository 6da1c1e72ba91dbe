// The shift entry dialog: the price of a pick, the checks of an entry, the line it writes
// and the day hours it keeps, and a line entered with the keyboard alone.
#include "app/Form1.h"
#include "catalogues/Form4.h"
#include "catalogues/Form5.h"
#include "db/Bounds.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "journal/Form11.h"
#include "journal/Journal.h"
#include "journal/Pricing.h"
#include "journal/ShiftEntry.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <atomic>
#include <functional>
#include <QAccessible>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

using ShiftEntry::Outcome;

class TestEntry : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    Form1* journal = nullptr;
    Form5* workers = nullptr;
    Form4* operations = nullptr;
    Form11* dialog = nullptr;
    int worker = 0, other = 0, assembly = 0, paint = 0, product = 0;
    const QDate tuesday{2024, 3, 5};

    // An entry as the dialog hands it to the save.
    ShiftEntry::Entry entry(int oper, const QDate& date, int shift = 1, const QString& time = "4") {
        ShiftEntry::Entry e;
        e.workerId = worker;
        e.operationId = oper;
        e.productId = product;
        e.price = 5;
        e.worker = "Орлов П. А.";
        e.operation = oper == paint ? "Стол СТ-1; Окраска КРАСКОЙ; Готовая продукция"
                                    : "Стол СТ-1; Сборка; Готовая продукция";
        e.kind = oper == paint ? "Окраска КРАСКОЙ" : "Сборка";
        e.kolVo = "10";
        e.brak = "0";
        e.time = time;
        e.colour = oper == paint ? "1015" : "";
        e.date = date;
        e.shift = shift;
        return e;
    }
    QVariant day(int d, int w, int shift = 1, int month = 3) {
        return t->scalar(
            QString("select d%1 from accounts_dep.h_tabel where w_id=:w and smena=:s and month=:m "
                    "and year=2024")
                .arg(d),
            {{"w", w}, {"s", shift}, {"m", month}});
    }
    qlonglong lines() { return t->scalar("select count(*) from accounts_dep.smena").toLongLong(); }
    // Days whose timesheet hours differ from the sum of the journal's lines there (null as 0).
    qlonglong daysDifferingFromJournal() {
        QStringList columns;
        for (int d = 1; d <= 31; ++d)
            columns << QString("h.d%1").arg(d);
        return t
            ->scalar(
                QString(
                    "with j as (select w_id, smena, data, sum(time) as t from accounts_dep.smena group by "
                    "w_id, smena, data), h as (select h.w_id, h.smena, make_date(h.year, h.month, 1) + "
                    "(d - 1) as data, (array[%1])[d] as t from accounts_dep.h_tabel h, "
                    "generate_series(1, 31) d where h.smena > 0) "
                    "select count(*) from j full join h using (w_id, smena, data) "
                    "where coalesce(j.t, 0) <> coalesce(h.t, 0)")
                    .arg(columns.join(", ")))
            .toLongLong();
    }
    // Another workstation (a session without a lock bound, as psql would be) holding a lock in
    // an open transaction until release().
    QSqlDatabase holderDb;
    std::unique_ptr<QSqlQuery> holder;
    void hold(const QString& lockSql) {
        holderDb = t->openOther("holder");
        holder = std::make_unique<QSqlQuery>(holderDb);
        QVERIFY(holder->exec("begin"));
        QVERIFY2(holder->exec(lockSql), qPrintable(holder->lastError().text()));
    }
    void release() {
        if (!holder) return;
        holder->exec("commit");
        holder.reset();
        holderDb.close();
        holderDb = QSqlDatabase();
        QSqlDatabase::removeDatabase("holder");
    }
    // The line as a dialog opened on it reads it.
    ShiftEntry::LineValues seenNow(int line) {
        QSqlQuery q(t->db());
        q.prepare("select * from accounts_dep.smena where id=:id");
        q.bindValue(":id", line);
        if (!q.exec() || !q.next()) qFatal("line %d not read", line);
        return ShiftEntry::valuesOf(q.record());
    }
    // A change of the line to e's values, as the dialog hands it over.
    ShiftEntry::Entry changeOf(int line, ShiftEntry::Entry e, std::optional<ShiftEntry::LineValues> seen) {
        e.tag = ShiftEntry::ChangeLine;
        e.lineId = line;
        e.seen = seen;
        return e;
    }
    // The operations list's row of an operation, as a pick hands it over.
    QSqlRecord operRow(int oper) {
        Query& q = t->dm().Oper;
        q.reopen();
        if (!q.locate("id", oper)) qFatal("operation %d not listed", oper);
        return q.record();
    }

    // Through the journal and the real dialog, as a person enters a line.

    // A box of the entry dialog, found by its label.
    QLineEdit* box(const QString& label) {
        for (QLineEdit* e : dialog->findChildren<QLineEdit*>())
            if (e->accessibleName() == label) return e;
        qFatal("no box labelled %s", qPrintable(label));
    }
    // Types into a box over what it holds.
    void type(const QString& label, const QString& text) {
        QLineEdit* e = box(label);
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }
    // In the open dialog: the worker and the operation chosen in their lists.
    void pick(int w, int oper) {
        whenModal([=, this](QWidget* list) {
            if (list != workers) return false;
            workers->Workers().locate("id", w);
            workers->Button2->click();
            return true;
        });
        dialog->Button3->click();
        whenModal([=, this](QWidget* list) {
            if (list != operations) return false;
            operations->Oper().locate("id", oper);
            operations->Button2->click();
            return true;
        });
        dialog->Button4->click();
    }
    // Presses a journal button that opens the entry dialog and runs `inDialog` in it; a dialog
    // still open afterwards (its entry refused) is left with "Отмена". True when it saved.
    bool inEntryDialog(QPushButton* opener, const std::function<void()>& inDialog) {
        whenModal([&](QWidget* w) {
            if (w != dialog) return false;
            inDialog();
            if (dialog->isVisible()) dialog->Button2->click();
            return true;
        });
        opener->click();
        return dialog->result() == QDialog::Accepted;
    }
    // "Добавить" on the journal's date: picks, types the boxes in order, presses "Запись".
    bool addLine(int w, int oper, const QList<std::pair<QString, QString>>& boxes, const QDate& date = {}) {
        return inEntryDialog(journal->Button1, [&] {
            pick(w, oper);
            if (date.isValid()) dialog->DTimeP->setDate(date);
            for (const auto& [label, text] : boxes)
                type(label, text);
            dialog->Button1->click();
        });
    }
    void showJournal(const QDate& d, int shift = 1) {
        journal->shiftButton(shift)->click();
        journal->CBox1->setChecked(false);
        journal->DateT->setDate(d);
        journal->DateTChange();
    }
    QStringList errors() const {
        QStringList out;
        for (const auto& m : shown.shown)
            if (m.kind == ShownMessage::Error) out << m.text;
        return out;
    }
    QStringList questions() const {
        QStringList out;
        for (const auto& m : shown.shown)
            if (m.kind == ShownMessage::Doubt) out << m.text;
        return out;
    }
    qlonglong linesOf(int oper) {
        return t->scalar("select count(*) from accounts_dep.smena where o_id=:o", {{"o", oper}}).toLongLong();
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("entry");
        // The fixtures' dates are ordinary dates of the week around today.
        Bounds::setClock([] { return QDate(2024, 3, 12); });
        journal = new Form1;
        registerInstance(journal);
        workers = new Form5;
        registerInstance(workers);
        operations = new Form4;
        registerInstance(operations);
        dialog = new Form11;
        registerInstance(dialog);
    }
    void cleanupTestCase() {
        unregisterInstance<Form11>();
        unregisterInstance<Form4>();
        unregisterInstance<Form5>();
        unregisterInstance<Form1>();
        delete dialog;
        delete operations;
        delete workers;
        delete journal;
        t.reset();
    }
    void cleanup() { release(); }
    void init() {
        t->clearData();
        shown.clear();
        worker = t->addWorker("Орлов Павел Андреевич");
        other = t->addWorker("Белова Анна Сергеевна");
        product = t->addProduct("Стол СТ-1");
        assembly = t->addOperation(t->addKind("Сборка"), product, 0, {20, 16.55});
        paint = t->addOperation(t->addKind("Окраска КРАСКОЙ"), product, 0, {3});
    }

    void pickPricesTheLowestNormWithItsSurcharges_data() {
        QTest::addColumn<bool>("dayOff");
        QTest::addColumn<int>("shift");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QString>("named");
        QTest::newRow("plain") << false << 1 << 1.0 << "";
        QTest::newRow("shift 2") << false << 2 << 1.0 << "";
        QTest::newRow("day off") << true << 1 << 2.0 << "выходной";
        QTest::newRow("shift 3") << false << 3 << 1.2 << "3 смена";
        QTest::newRow("overtime") << false << 4 << 1.5 << "переработка";
        QTest::newRow("day off in shift 3") << true << 3 << 2.4 << "выходной, 3 смена";
        QTest::newRow("day off in overtime") << true << 4 << 3.0 << "выходной, переработка";
    }
    void pickPricesTheLowestNormWithItsSurcharges() {
        QFETCH(bool, dayOff);
        QFETCH(int, shift);
        QFETCH(double, factor);
        QFETCH(QString, named);
        dialog->DayOff = dayOff;
        dialog->CurSmena = shift;
        dialog->pickOperation(operRow(assembly));
        QCOMPARE(dialog->SelPrice, 16.55 * factor);
        QCOMPARE(dialog->SelOId, assembly);
        QCOMPARE(dialog->SelIId, product);
        QCOMPARE(dialog->Edit2->text(), QString("Стол СТ-1; Сборка; Готовая продукция"));
        QCOMPARE(Pricing::surchargeName(dialog->SelPrice / 16.55), named);
        // The line is stored with the price rounded to 4 decimals.
        auto e = entry(assembly, tuesday, shift);
        e.price = dialog->SelPrice;
        QCOMPARE(ShiftEntry::save(t->dm(), e), Outcome::Saved);
        QCOMPARE(t->scalar("select cena from accounts_dep.smena").toDouble(),
                 std::round(16.55 * factor * 10000) / 10000);
    }

    void amountIsExplainedInPlainWords_data() {
        QTest::addColumn<qlonglong>("kolVo");
        QTest::addColumn<qlonglong>("brak");
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("lowest");
        QTest::addColumn<QString>("text");
        const QString nb = QString(QChar(0x00A0));
        QTest::newRow("day off") << 55LL << 0LL << 33.10 << 16.55
                                 << "(55 − 0) × 33,10 = 1" + nb +
                                        "820,50; цена 33,10 = норма 16,55 × 2 (выходной)";
        QTest::newRow("rejects, plain price")
            << 12LL << 2LL << 5.0 << 5.0 << "(12 − 2) × 5,00 = 50,00; цена 5,00 = норма 5,00";
        QTest::newRow("day off in shift 3")
            << 1LL << 0LL << 12.0 << 5.0
            << "(1 − 0) × 12,00 = 12,00; цена 12,00 = норма 5,00 × 2,4 (выходной, 3 смена)";
        QTest::newRow("norm changed since")
            << 4LL << 0LL << 7.0 << 4.0 << "(4 − 0) × 7,00 = 28,00; цена 7,00 = норма 4,00 × 1,75";
        QTest::newRow("no norm left") << 3LL << 1LL << 2.5 << 0.0 << "(3 − 1) × 2,50 = 5,00";
    }
    void amountIsExplainedInPlainWords() {
        QFETCH(qlonglong, kolVo);
        QFETCH(qlonglong, brak);
        QFETCH(double, price);
        QFETCH(double, lowest);
        QFETCH(QString, text);
        QCOMPARE(Pricing::explainAmount(kolVo, brak, price, lowest), text);
    }

    void journalTooltipExplainsTheLineAgainstTheCurrentNorm() {
        t->addLine(worker, assembly, tuesday, 1, 55, 0, 33.10, 8);
        journal->DateT->setDate(tuesday);
        journal->DateTChange();
        const QModelIndex amount = journal->DBGrid2->model()->index(0, 8);
        QCOMPARE(journal->DBGrid2->cellText(0, "summa"),
                 QString("1820.50").replace('.', QLocale().decimalPoint()));
        QVERIFY2(
            journal->DBGrid2->model()->data(amount, Qt::ToolTipRole).toString().endsWith("× 2 (выходной)"),
            qPrintable(journal->DBGrid2->model()->data(amount, Qt::ToolTipRole).toString()));
    }

    void incompleteOrImpossibleEntriesAreRefused_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        const QString incomplete = ShiftEntry::IncompleteMessage;
        QTest::newRow("no worker") << "worker"
                                   << "" << incomplete;
        QTest::newRow("no operation") << "operation"
                                      << " " << incomplete;
        QTest::newRow("no quantity") << "kolVo"
                                     << "" << incomplete;
        QTest::newRow("rejects cleared") << "brak"
                                         << "" << incomplete;
        QTest::newRow("hours cleared") << "time"
                                       << "" << incomplete;
        QTest::newRow("paint without colour") << "colour"
                                              << "" << incomplete;
        QTest::newRow("paint in colour 0, which is none") << "colour"
                                                          << "0" << incomplete;
        QTest::newRow("rejects above quantity") << "brak"
                                                << "11" << ShiftEntry::RejectsOverQuantityMessage;
        QTest::newRow("quantity too large")
            << "kolVo"
            << "99999999999" << Bounds::TooLargeMessage.arg("Кол-во", "2\u00A0147\u00A0483\u00A0647");
    }
    void incompleteOrImpossibleEntriesAreRefused() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        auto e = entry(paint, tuesday);
        if (field == "worker") e.worker = value;
        if (field == "operation") e.operation = value;
        if (field == "kolVo") e.kolVo = value;
        if (field == "brak") e.brak = value;
        if (field == "time") e.time = value;
        if (field == "colour") e.colour = value;
        QCOMPARE(ShiftEntry::save(t->dm(), e), Outcome::Refused);
        QCOMPARE(shown.texts(), QStringList{message});
        QCOMPARE(shown.shown.first().caption, QString("Ошибка"));
        QCOMPARE(lines(), 0);
    }

    void paintOperationsAloneTakeAColour() {
        // Upper-casing covers Cyrillic: "Окраска КРАСКОЙ" is a paint operation.
        QVERIFY(ShiftEntry::isPaint("Стол; окраска краской; Заготовки"));
        dialog->DayOff = false;
        dialog->CurSmena = 1;
        dialog->Edit5->setText("7035");
        dialog->pickOperation(operRow(assembly));
        dialog->applyPaint();
        QVERIFY(!dialog->Edit5->isEnabled());
        QCOMPARE(dialog->Edit5->text(), QString());
        dialog->pickOperation(operRow(paint));
        dialog->applyPaint();
        QVERIFY(dialog->Edit5->isEnabled());
        QCOMPARE(ShiftEntry::save(t->dm(), entry(assembly, tuesday)), Outcome::Saved);
        QCOMPARE(ShiftEntry::save(t->dm(), entry(paint, tuesday)), Outcome::Saved);
        QCOMPARE(t->scalar("select color from accounts_dep.smena where o_id=:o", {{"o", assembly}}).toInt(),
                 0);
        QCOMPARE(t->scalar("select color from accounts_dep.smena where o_id=:o", {{"o", paint}}).toInt(),
                 1015);
    }

    void newLineIsWrittenWithTheExactValues() {
        auto e = entry(assembly, tuesday, 3, "7");
        e.price = 12.5;
        e.kolVo = " 55 ";
        e.brak = "2";
        QCOMPARE(ShiftEntry::save(t->dm(), e), Outcome::Saved);
        QSqlQuery q(t->db());
        QVERIFY(
            q.exec("select w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, time, vvod, ok, prize, "
                   "id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use from accounts_dep.smena"));
        QVERIFY(q.next());
        const QVariantList expected{worker,
                                    product,
                                    assembly,
                                    12.5,
                                    55,
                                    2,
                                    tuesday,
                                    3,
                                    0,
                                    7,
                                    QDateTime(QDate::currentDate(), QTime(0, 0)),
                                    "no",
                                    0,
                                    0,
                                    0,
                                    0,
                                    0,
                                    0};
        for (int c = 0; c < expected.size(); ++c)
            QCOMPARE(q.value(c).toString(), expected[c].toString());
        QVERIFY(!q.next());
        QCOMPARE(day(5, worker, 3).toInt(), 7);
    }

    void duplicatesAreRefusedAndAnUnchangedLineIsAccepted() {
        QCOMPARE(ShiftEntry::save(t->dm(), entry(assembly, tuesday)), Outcome::Saved);
        // The same worker, operation, product, date, shift and colour, whatever the quantity.
        auto same = entry(assembly, tuesday);
        same.kolVo = "3";
        QCOMPARE(ShiftEntry::save(t->dm(), same), Outcome::Duplicate);
        QCOMPARE(shown.texts(), QStringList{ShiftEntry::DuplicateMessage});
        // Another shift is another line.
        QCOMPARE(ShiftEntry::save(t->dm(), entry(assembly, tuesday, 2)), Outcome::Saved);
        const int second = t->scalar("select id from accounts_dep.smena where smena=2").toInt();
        // Changing it into the first line is refused; saving it unchanged is accepted.
        auto into = entry(assembly, tuesday, 1);
        into.tag = ShiftEntry::ChangeLine;
        into.lineId = second;
        QCOMPARE(ShiftEntry::save(t->dm(), into), Outcome::Duplicate);
        auto unchanged = entry(assembly, tuesday, 2);
        unchanged.tag = ShiftEntry::ChangeLine;
        unchanged.lineId = second;
        QCOMPARE(ShiftEntry::save(t->dm(), unchanged), Outcome::Saved);
        QCOMPARE(lines(), 2);
    }

    void twoWorkstationsSavingOneLineAtOnceLeaveOne() {
        // A third workstation holds the worker's timesheet row, so both saves start and wait;
        // once it lets go, exactly one of them may write the line.
        QSqlDatabase holder = t->openOther("holder");
        auto hold = std::make_unique<QSqlQuery>(holder);
        QVERIFY(hold->exec("begin"));
        QVERIFY(hold->exec(QString("select pg_advisory_xact_lock(%1, hashtext('%2/1/2024-3'))")
                               .arg(int(LockSpace::TimesheetRow))
                               .arg(worker)));
        Outcome results[2];
        QList<QThread*> threads;
        for (int i = 0; i < 2; ++i) {
            threads << QThread::create([this, i, &results] {
                const QString name = QString("station%1").arg(i);
                {
                    QSqlDatabase db = t->openOther(name);
                    results[i] = ShiftEntry::write(db, entry(assembly, tuesday));
                    db.close();
                }
                QSqlDatabase::removeDatabase(name);
            });
            threads.last()->start();
        }
        // Both are waiting on the server before the holder lets go.
        for (int tries = 0; tries < 500; ++tries) {
            if (t->scalar("select count(*) from pg_stat_activity where wait_event_type='Lock' and "
                          "datname=current_database()")
                    .toLongLong() == 2)
                break;
            QThread::msleep(10);
        }
        QVERIFY(hold->exec("commit"));
        hold.reset();
        for (QThread* th : threads) {
            QVERIFY(th->wait(20000));
            delete th;
        }
        holder.close();
        QSqlDatabase::removeDatabase("holder");
        QCOMPARE(lines(), 1);
        QCOMPARE(int(results[0] == Outcome::Saved) + int(results[1] == Outcome::Saved), 1);
        QCOMPARE(int(results[0] == Outcome::Duplicate) + int(results[1] == Outcome::Duplicate), 1);
        QCOMPARE(t->scalar("select count(*) from accounts_dep.h_tabel").toLongLong(), 1);
        QCOMPARE(day(5, worker).toInt(), 4);
    }

    void aChangeThatMovesALineRecomputesBothDaysOnly() {
        const QDate wednesday = tuesday.addDays(1);
        t->addLine(worker, paint, tuesday, 1, 1, 0, 3, 2, "no", 5);
        QCOMPARE(ShiftEntry::save(t->dm(), entry(assembly, tuesday)), Outcome::Saved);
        QCOMPARE(ShiftEntry::save(t->dm(), entry(assembly, tuesday.addDays(2), 1, "1")), Outcome::Saved);
        QCOMPARE(day(5, worker).toInt(), 6);
        const int line = t->scalar("select id from accounts_dep.smena where o_id=:o and data=:d",
                                   {{"o", assembly}, {"d", tuesday}})
                             .toInt();
        // Moved to another worker and date: the old day keeps the other line's hours, the new
        // worker gets his row, and no other day changes.
        auto moved = entry(assembly, wednesday, 1, "3");
        moved.tag = ShiftEntry::ChangeLine;
        moved.lineId = line;
        moved.workerId = other;
        QCOMPARE(ShiftEntry::save(t->dm(), moved), Outcome::Saved);
        QCOMPARE(day(5, worker).toInt(), 2);
        QVERIFY(day(6, worker).isNull());
        QCOMPARE(day(7, worker).toInt(), 1);
        QCOMPARE(day(6, other).toInt(), 3);
        QVERIFY(day(5, other).isNull());
        // Its entry date becomes today.
        QCOMPARE(t->scalar("select vvod::date from accounts_dep.smena where id=:id", {{"id", line}}).toDate(),
                 QDate::currentDate());
        // The last line of a day moved away leaves that day without hours.
        auto away = entry(paint, wednesday, 1, "2");
        away.tag = ShiftEntry::ChangeLine;
        away.lineId = t->scalar("select id from accounts_dep.smena where o_id=:o", {{"o", paint}}).toInt();
        QCOMPARE(ShiftEntry::save(t->dm(), away), Outcome::Saved);
        QVERIFY(day(5, worker).isNull());
        QCOMPARE(day(6, worker).toInt(), 2);
        QCOMPARE(day(7, worker).toInt(), 1);
    }

    // Two workstations open the same line; the other one saves first. This one's save is
    // refused with the line's present values and writes nothing; saving again from those
    // values is a deliberate overwrite.
    void aChangeOfALineChangedElsewhereIsRefused_data() {
        QTest::addColumn<QString>("elsewhere");
        QTest::newRow("hours changed") << "hours";
        QTest::newRow("moved to another worker") << "worker";
        QTest::newRow("moved to another date") << "date";
    }
    void aChangeOfALineChangedElsewhereIsRefused() {
        QFETCH(QString, elsewhere);
        QCOMPARE(ShiftEntry::save(t->dm(), entry(assembly, tuesday)), Outcome::Saved);
        const int line = t->scalar("select id from accounts_dep.smena").toInt();
        const ShiftEntry::LineValues seenHere = seenNow(line);

        auto there = entry(assembly, tuesday, 1, "7");
        if (elsewhere == "worker") there.workerId = other;
        if (elsewhere == "date") there.date = tuesday.addDays(1);
        QSqlDatabase station = t->openOther("station");
        QCOMPARE(ShiftEntry::write(station, changeOf(line, there, seenNow(line))), Outcome::Saved);
        const ShiftEntry::LineValues afterThere = seenNow(line);

        auto here = entry(assembly, tuesday);
        here.kolVo = "20";
        ShiftEntry::LineValues present;
        QCOMPARE(ShiftEntry::save(t->dm(), changeOf(line, here, seenHere), &present), Outcome::Stale);
        QCOMPARE(shown.shown.size(), 1);
        QVERIFY2(shown.texts()[0].startsWith(ShiftEntry::ChangedElsewhereMessage),
                 qPrintable(shown.texts()[0]));
        QVERIFY2(shown.texts()[0].contains("время 7"), qPrintable(shown.texts()[0]));
        QVERIFY(present == afterThere);
        QVERIFY(seenNow(line) == afterThere);
        QCOMPARE(daysDifferingFromJournal(), 0LL);

        shown.clear();
        QCOMPARE(ShiftEntry::save(t->dm(), changeOf(line, here, present)), Outcome::Saved);
        QVERIFY(shown.shown.isEmpty());
        QCOMPARE(seenNow(line).kolVo, 20LL);
        QCOMPARE(seenNow(line).time, 4LL);
        QCOMPARE(daysDifferingFromJournal(), 0LL);
        station.close();
        QSqlDatabase::removeDatabase("station");
    }

    // Another workstation moved the line after this one showed it: the delete removes it from
    // the day it is on now, and no hours stay behind without a line.
    void aDeleteRecomputesTheDayTheLineIsOnNow_data() {
        QTest::addColumn<bool>("toAnotherWorker");
        QTest::addColumn<int>("days");
        QTest::newRow("moved to another worker") << true << 0;
        QTest::newRow("moved to another date") << false << 1;
        QTest::newRow("moved to another worker and date") << true << 2;
    }
    void aDeleteRecomputesTheDayTheLineIsOnNow() {
        QFETCH(bool, toAnotherWorker);
        QFETCH(int, days);
        QCOMPARE(ShiftEntry::save(t->dm(), entry(assembly, tuesday, 1, "5")), Outcome::Saved);
        const int line = t->scalar("select id from accounts_dep.smena").toInt();
        auto moved = entry(assembly, tuesday.addDays(days), 1, "5");
        if (toAnotherWorker) moved.workerId = other;
        QSqlDatabase station = t->openOther("station");
        QCOMPARE(ShiftEntry::write(station, changeOf(line, moved, std::nullopt)), Outcome::Saved);
        station.close();
        QSqlDatabase::removeDatabase("station");
        QCOMPARE(day(5 + days, toAnotherWorker ? other : worker).toInt(), 5);

        QVERIFY(Journal::deleteLine(t->dm(), line));
        QCOMPARE(lines(), 0LL);
        QVERIFY(day(5 + days, toAnotherWorker ? other : worker).isNull());
        QCOMPARE(daysDifferingFromJournal(), 0LL);
        QVERIFY(!Journal::deleteLine(t->dm(), line));
    }

    // Another workstation holds what a change or a delete needs: each gives up within its
    // bound with one message that says what is busy, writes nothing, keeps the dialog's typed
    // values, and works once the other side lets go.
    void aChangeOrDeleteBehindAHeldLockGivesUpWithNothingWritten_data() {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<QString>("busy");
        QTest::newRow("the month being rebuilt")
            << QString("select pg_advisory_xact_lock(%1, hashtext('2024-3'))")
                   .arg(int(LockSpace::TimesheetMonth))
            << "Табель этого месяца сейчас перестраивается на другом рабочем месте.";
        QTest::newRow("the worker's row being saved")
            << QString("select pg_advisory_xact_lock(%1, hashtext('%2/1/2024-3'))")
                   .arg(int(LockSpace::TimesheetRow))
            << "Эти данные сейчас записываются на другом рабочем месте";
        QTest::newRow("the line being changed") << "select id from accounts_dep.smena for update"
                                                << "Эти данные сейчас записываются на другом рабочем месте";
    }
    void aChangeOrDeleteBehindAHeldLockGivesUpWithNothingWritten() {
        QFETCH(QString, lock);
        QFETCH(QString, busy);
        QCOMPARE(ShiftEntry::save(t->dm(), entry(assembly, tuesday)), Outcome::Saved);
        const int line = t->scalar("select id from accounts_dep.smena").toInt();
        const ShiftEntry::LineValues before = seenNow(line);
        hold(lock.contains("%2") ? lock.arg(worker) : lock);

        // Through the dialog: refused in words, the typed values stay.
        dialog->Tag = ShiftEntry::ChangeLine;
        dialog->LineId = line;
        dialog->Seen = before;
        dialog->CurSmena = 1;
        dialog->SelWId = worker;
        dialog->SelOId = assembly;
        dialog->SelIId = product;
        dialog->SelPrice = 5;
        dialog->SelVid = "Сборка";
        dialog->DTimeP->setDate(tuesday);
        dialog->Edit1->setText("Орлов П. А.");
        dialog->Edit2->setText("Стол СТ-1; Сборка; Готовая продукция");
        dialog->Edit3->setText("20");
        dialog->Edit4->setText("0");
        dialog->Edit5->clear();
        dialog->Edit6->setText("6");
        dialog->setResult(0);
        dialog->Button1Click();
        QCOMPARE(shown.shown.size(), 1);
        QVERIFY2(shown.texts()[0].startsWith(busy), qPrintable(shown.texts()[0]));
        QVERIFY2(shown.texts()[0].contains("ничего не записано"), qPrintable(shown.texts()[0]));
        QCOMPARE(dialog->Edit3->text(), QString("20"));
        QCOMPARE(dialog->Edit6->text(), QString("6"));
        QCOMPARE(dialog->result(), 0);
        QVERIFY(seenNow(line) == before);

        try {
            Journal::deleteLine(t->dm(), line);
            QFAIL("the delete did not give up");
        } catch (const LockBusy& e) {
            QVERIFY2(e.message().startsWith(busy), qPrintable(e.message()));
            QVERIFY2(e.message().contains("Позиция не удалена"), qPrintable(e.message()));
        }
        QCOMPARE(lines(), 1LL);
        QCOMPARE(day(5, worker).toInt(), 4);

        release();
        shown.clear();
        dialog->Button1Click();
        QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join('\n')));
        QCOMPARE(seenNow(line).kolVo, 20LL);
        QCOMPARE(day(5, worker).toInt(), 6);
        QVERIFY(Journal::deleteLine(t->dm(), line));
        QCOMPARE(daysDifferingFromJournal(), 0LL);
        QVERIFY(day(5, worker).isNull());
    }

    // A read behind another workstation's table lock, with no lock bound at all: the wait window
    // appears, a click on the journal meanwhile is dropped (it never runs later), and "Отмена"
    // stops the statement on the server. Nothing is shown or changed, and the journal reads the
    // line once the lock is gone.
    void aBlockedReadIsCancelledAndClicksMeanwhileAreDropped() {
        t->addLine(worker, assembly, tuesday, 1, 3, 0, 5, 2);
        journal->show();
        showJournal(tuesday.addDays(1));
        shown.clear();
        t->exec("set lock_timeout = 0");
        hold("lock table accounts_dep.smena in access exclusive mode");

        // Another thread watches the server until the read waits for the lock, then hands the
        // window's thread the user's clicks (as posted calls, which the wait lets through).
        std::atomic<bool> clicked{false}, cancelled{false};
        std::function<void()> act = [&] {
            // "Добавить" at once, most likely before the wait window is there.
            if (!clicked.exchange(true)) QTest::mouseClick(journal->Button1, Qt::LeftButton);
            QWidget* wait = QApplication::activeModalWidget();
            if (!wait || wait->windowTitle() != QStringLiteral("Подождите")) return; // not shown yet
            for (QPushButton* b : wait->findChildren<QPushButton*>())
                if (b->accessibleName() == QStringLiteral("Отмена")) QTest::mouseClick(b, Qt::LeftButton);
            cancelled = true;
        };
        QThread* watcher = QThread::create([&] {
            {
                QSqlDatabase db = t->openOther("watcher");
                for (int tries = 0; tries < 1000; ++tries) {
                    QSqlQuery w(db);
                    w.exec("select count(*) from pg_stat_activity where wait_event_type='Lock' and "
                           "datname=current_database()");
                    if (w.next() && w.value(0).toLongLong() == 1) break;
                    QThread::msleep(10);
                }
                db.close();
            }
            QSqlDatabase::removeDatabase("watcher");
            for (int tries = 0; tries < 1000 && !cancelled; ++tries) {
                QMetaObject::invokeMethod(qApp, act, Qt::QueuedConnection);
                QThread::msleep(20);
            }
        });
        watcher->start();
        journal->DateT->setDate(tuesday); // the journal reads the date it is set to
        watcher->wait();
        delete watcher;

        QVERIFY(cancelled);
        QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join('\n')));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(t->scalar("select count(*) from pg_stat_activity where wait_event_type='Lock' and "
                           "datname=current_database()")
                     .toLongLong(),
                 0LL);
        release();
        t->exec("reset lock_timeout");
        // Nothing queued ran meanwhile: the journal's own timers and clicks go on as before.
        QTest::qWait(50);
        QVERIFY(!dialog->isVisible());
        showJournal(tuesday.addDays(1));
        showJournal(tuesday);
        QCOMPARE(t->dm().smenaQuery(1).recordCount(), 1);
        QVERIFY(shown.shown.isEmpty());
        journal->hide();
    }

    void aLineDeletedElsewhereIsNotWrittenBack() {
        const int line = t->addLine(worker, assembly, tuesday, 1, 1, 0, 5, 2);
        t->exec("delete from accounts_dep.smena where id=:id", {{"id", line}});
        auto e = entry(assembly, tuesday);
        e.tag = ShiftEntry::ChangeLine;
        e.lineId = line;
        QCOMPARE(ShiftEntry::save(t->dm(), e), Outcome::Gone);
        QCOMPARE(shown.texts(), QStringList{ShiftEntry::LineGoneMessage});
        QCOMPARE(lines(), 0);
    }

    void tabFollowsTheReadingOrderWithTheDateLast() {
        // An operation without paint: the colour box is disabled, and two Tabs from the
        // quantity reach the rejects, never the date.
        dialog->pickWorker("Орлов П. А.", worker);
        dialog->pickOperation(operRow(assembly));
        dialog->applyPaint();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QVERIFY(!dialog->Edit5->isEnabled());
        dialog->Button3->setFocus();
        // The date's Tab steps through its day, month and year before it leaves.
        QStringList order;
        QWidget* last = nullptr;
        for (int i = 0; i < 16 && order.size() < 7; ++i) {
            QWidget* w = QApplication::focusWidget();
            if (w != last) {
                auto* button = qobject_cast<QAbstractButton*>(w);
                order << (!w->accessibleName().isEmpty() ? w->accessibleName()
                          : button                       ? button->text()
                                                         : w->objectName());
            }
            last = w;
            if (order.size() < 7) QTest::keyClick(w, Qt::Key_Tab);
        }
        // Back in a box before the dialog goes, so "Запись" stays its default button.
        dialog->Edit3->setFocus();
        dialog->hide();
        QCOMPARE(order, (QStringList{"...", "...", "Кол-во", "Время", "Брак", "Дата", "Запись"}));
    }

    void aLineIsEnteredWithTheKeyboardAlone() {
        // Saturday 9 March 2024, shift 3: the journal's day off and shift price the pick.
        const QDate saturday(2024, 3, 9);
        journal->today = [=] { return saturday; };
        journal->FormActivate();
        journal->RadioButton3->click();
        QVERIFY(journal->CBox1->isChecked());
        QList<QString> steps;
        auto type = [](QWidget* w, const QString& text) {
            for (QChar ch : text)
                QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        };
        // In the dialog: F4 on the worker's "...", then Enter on the operation's.
        whenModal([&](QWidget* w) {
            if (w != dialog) return false;
            steps << "dialog";
            whenModal([&](QWidget* list) {
                if (list != workers) return false;
                steps << "workers";
                type(workers->Edit1, "Бел");
                QTest::keyClick(workers->Edit1, Qt::Key_Return);
                return true;
            });
            QTest::keyClick(dialog->Button3, Qt::Key_F4);
            whenModal([&](QWidget* list) {
                if (list != operations) return false;
                steps << "operations";
                type(operations->Edit1, "ст-1");
                QTest::keyClick(operations->Edit1, Qt::Key_Down); // the second: Сборка
                QTest::keyClick(operations->Edit1, Qt::Key_Return);
                return true;
            });
            QTest::keyClick(dialog->Button4, Qt::Key_Return);
            if (dialog->focusWidget() == dialog->Edit3) steps << "quantity next";
            QTest::keyClicks(dialog->Edit3, "4x0");
            if (dialog->Edit3->text() == "40") steps << "typed over the 0";
            QTest::keyClick(dialog->Edit3, Qt::Key_Tab);
            QTest::keyClicks(dialog->Edit6, "8");
            QTest::keyClick(dialog->Edit6, Qt::Key_Return); // "Запись" is the default button
            return true;
        });
        QTest::keyClick(journal, Qt::Key_Insert);
        QCOMPARE(steps,
                 (QList<QString>{"dialog", "workers", "operations", "quantity next", "typed over the 0"}));
        QCOMPARE(shown.texts(), QStringList());
        QSqlQuery q(t->db());
        QVERIFY(q.exec("select w_id, o_id, kol_vo, time, cena, smena, data from accounts_dep.smena"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), other);
        QCOMPARE(q.value(1).toInt(), assembly);
        QCOMPARE(q.value(2).toInt(), 40);
        QCOMPARE(q.value(3).toInt(), 8);
        QCOMPARE(q.value(4).toDouble(), 39.72); // 16.55 × 2.4
        QCOMPARE(q.value(5).toInt(), 3);
        QCOMPARE(q.value(6).toDate(), saturday);
        QCOMPARE(day(9, other, 3).toInt(), 8);
        // Back in the journal, the line is shown with its amount.
        QCOMPARE(journal->DBGrid2->model()->rowCount(), 1);
        journal->RadioButton1->click();
    }

    void numbersTakeWhatTheirColumnsHold_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("legacyHours"); // an old line of the same day and shift
        QTest::addColumn<QString>("message"); // empty: stored as typed
        const QString intMax = "2147483647", intPast = "2147483648";
        const QString intMaxWords = "2\u00A0147\u00A0483\u00A0647"; // as the messages write it
        QTest::newRow("rejects 12000") << "Брак"
                                       << "12000"
                                       << "brak" << 0 << "";
        QTest::newRow("rejects at the small integer's limit") << "Брак"
                                                              << "32767"
                                                              << "brak" << 0 << "";
        QTest::newRow("rejects past it") << "Брак"
                                         << "32768"
                                         << "brak" << 0 << Bounds::TooLargeMessage.arg("Брак", "32\u00A0767");
        QTest::newRow("quantity at the integer's limit") << "Кол-во" << intMax << "kol_vo" << 0 << "";
        QTest::newRow("quantity past it")
            << "Кол-во" << intPast << "kol_vo" << 0 << Bounds::TooLargeMessage.arg("Кол-во", intMaxWords);
        QTest::newRow("colour at the integer's limit") << "Цвет" << intMax << "color" << 0 << "";
        QTest::newRow("colour past it")
            << "Цвет" << intPast << "color" << 0 << Bounds::TooLargeMessage.arg("Цвет", intMaxWords);
        QTest::newRow("hours past the integer's limit")
            << "Время" << intPast << "time" << 0 << Bounds::TooLargeMessage.arg("Время", intMaxWords);
        QTest::newRow("the shift's day past the timesheet cell")
            << "Время"
            << "0"
            << "time" << 40000 << Bounds::DayCellMessage.arg("05.03.2024", "40\u00A0000", "32\u00A0767");
    }
    void numbersTakeWhatTheirColumnsHold() {
        QFETCH(QString, label);
        QFETCH(QString, typed);
        QFETCH(QString, column);
        QFETCH(int, legacyHours);
        QFETCH(QString, message);
        if (legacyHours) t->addLine(worker, assembly, tuesday, 1, 1, 0, 5, legacyHours);
        showJournal(tuesday);
        // Large numbers are unlikely: the question about them is answered Yes.
        shown.answers = {true};
        QList<std::pair<QString, QString>> boxes{{"Кол-во", "40000"}, {"Время", "8"}, {"Цвет", "1015"}};
        boxes << std::pair{label, typed};
        const bool saved = addLine(worker, paint, boxes);
        QCOMPARE(errors(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(saved, message.isEmpty());
        QCOMPARE(linesOf(paint), message.isEmpty() ? 1 : 0);
        if (message.isEmpty())
            QCOMPARE(t->scalar(QString("select %1::text from accounts_dep.smena where o_id=:o").arg(column),
                               {{"o", paint}})
                         .toString(),
                     typed);
    }

    void aLineOpenedForChangeShowsAndKeepsEveryNumber() {
        const int line = t->addLine(worker, paint, tuesday, 1, 2000000000, 12000, 3, 8, "no", 2147483647);
        showJournal(tuesday);
        QVERIFY(journal->DBGrid2->query()->locate("id", line));
        QMap<QString, QString> boxes;
        shown.answers = {true};
        QVERIFY(inEntryDialog(journal->Button2, [&] {
            for (const QString label : {"Кол-во", "Брак", "Время", "Цвет"})
                boxes[label] = box(label)->text();
            dialog->Button1->click();
        }));
        QCOMPARE(boxes,
                 (QMap<QString, QString>{
                     {"Кол-во", "2000000000"}, {"Брак", "12000"}, {"Время", "8"}, {"Цвет", "2147483647"}}));
        QCOMPARE(errors(), QStringList());
        QCOMPARE(
            t->scalar("select concat_ws(' ', kol_vo, brak, time, color) from accounts_dep.smena").toString(),
            QString("2000000000 12000 8 2147483647"));
    }

    void impossibleHoursAreRefusedInWords_data() {
        QTest::addColumn<int>("otherShift"); // the worker's hours in shift 2 that day
        QTest::addColumn<int>("household");  // and in his household records
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("message"); // empty: saved
        const QString over = Bounds::DayHoursMessage;
        QTest::newRow("25 hours on one line") << 0 << 0 << "25" << over.arg("05.03.2024", "25");
        QTest::newRow("999 hours on one line") << 0 << 0 << "999" << over.arg("05.03.2024", "999");
        QTest::newRow("past 24 over the shifts") << 20 << 0 << "5" << over.arg("05.03.2024", "25");
        QTest::newRow("a long line after others names the day's total")
            << 10 << 0 << "25" << over.arg("05.03.2024", "35");
        QTest::newRow("past 24 with household works") << 0 << 20 << "5" << over.arg("05.03.2024", "25");
        QTest::newRow("24 over shifts and household works") << 12 << 8 << "4"
                                                            << "";
    }
    void impossibleHoursAreRefusedInWords() {
        QFETCH(int, otherShift);
        QFETCH(int, household);
        QFETCH(QString, hours);
        QFETCH(QString, message);
        if (otherShift) t->addLine(worker, assembly, tuesday, 2, 1, 0, 5, otherShift);
        if (household)
            t->exec(
                "insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, "
                "price, i_holiday, i_night) values (0, 7777, :w, :d, 3, 2024, 1, :h, 100, 0, 0)",
                {{"w", worker}, {"d", tuesday}, {"h", household}});
        showJournal(tuesday);
        const bool saved = addLine(worker, assembly, {{"Кол-во", "10"}, {"Время", hours}});
        QCOMPARE(errors(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(saved, message.isEmpty());
        QCOMPARE(t->scalar("select count(*) from accounts_dep.smena where smena=1").toLongLong(),
                 message.isEmpty() ? 1 : 0);
        QCOMPARE(day(5, worker).isNull(), !message.isEmpty());
    }

    void implausibleValuesAreAskedAboutOnce_data() {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<int>("history"); // the operation's largest quantity so far (0: none)
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QStringList>("asked"); // in the one question; empty: no question
        QTest::addColumn<bool>("yes");
        const QDate d = tuesday;
        QTest::newRow("ordinary") << "10" << 0 << "1015" << d << QStringList() << false;
        QTest::newRow("quantity far above the operation's, No")
            << "5000" << 100 << "1015" << d << QStringList{"5\u00A0000", "100"} << false;
        QTest::newRow("quantity far above the operation's, Yes")
            << "5000" << 100 << "1015" << d << QStringList{"5\u00A0000", "100"} << true;
        QTest::newRow("quantity within ten times the operation's")
            << "5000" << 600 << "1015" << d << QStringList() << false;
        QTest::newRow("a large quantity of an operation never entered")
            << "5000" << 0 << "1015" << d << QStringList{"5\u00A0000"} << false;
        QTest::newRow("absurd piece count")
            << "999999999" << 200000 << "1015" << d << QStringList{"999\u00A0999\u00A0999"} << false;
        QTest::newRow("date in the year 3000")
            << "10" << 0 << "1015" << QDate(3000, 11, 2) << QStringList{"02.11.3000"} << false;
        QTest::newRow("date four days ahead")
            << "10" << 0 << "1015" << QDate(2024, 3, 16) << QStringList{"16.03.2024"} << true;
        QTest::newRow("date three days ahead")
            << "10" << 0 << "1015" << QDate(2024, 3, 15) << QStringList() << false;
        QTest::newRow("date in a long-closed year")
            << "10" << 0 << "1015" << QDate(2022, 12, 30) << QStringList{"30.12.2022"} << false;
        QTest::newRow("date in last year")
            << "10" << 0 << "1015" << QDate(2023, 1, 2) << QStringList() << false;
        QTest::newRow("colour 123456789")
            << "10" << 0 << "123456789" << d << QStringList{"123456789"} << false;
        QTest::newRow("colour 500") << "10" << 0 << "500" << d << QStringList{"500"} << true;
        QTest::newRow("primer") << "10" << 0 << "1" << d << QStringList() << false;
        QTest::newRow("RAL 9999") << "10" << 0 << "9999" << d << QStringList() << false;
        QTest::newRow("colour and date, one question") << "10" << 0 << "123456789" << QDate(3000, 11, 2)
                                                       << QStringList{"123456789", "02.11.3000"} << true;
    }
    void implausibleValuesAreAskedAboutOnce() {
        QFETCH(QString, quantity);
        QFETCH(int, history);
        QFETCH(QString, colour);
        QFETCH(QDate, date);
        QFETCH(QStringList, asked);
        QFETCH(bool, yes);
        if (history) t->addLine(other, paint, tuesday.addDays(-1), 1, history, 0, 3, 1, "no", 1015);
        showJournal(tuesday);
        shown.answers = {yes};
        addLine(worker, paint, {{"Кол-во", quantity}, {"Время", "8"}, {"Цвет", colour}}, date);
        QCOMPARE(errors(), QStringList());
        const QStringList q = questions();
        QCOMPARE(q.size(), asked.isEmpty() ? 0 : 1);
        for (const QString& value : asked)
            QVERIFY2(q.first().contains(value), qPrintable(q.first()));
        if (!asked.isEmpty()) QCOMPARE(shown.shown.first().caption, Bounds::QuestionCaption);
        const bool stored = asked.isEmpty() || yes;
        QCOMPARE(
            t->scalar("select count(*) from accounts_dep.smena where w_id=:w", {{"w", worker}}).toLongLong(),
            stored ? 1 : 0);
        if (stored)
            QCOMPARE(t->scalar("select concat_ws(' ', kol_vo, color, to_char(data, 'DD.MM.YYYY')) from "
                               "accounts_dep.smena where w_id=:w",
                               {{"w", worker}})
                         .toString(),
                     QString("%1 %2 %3").arg(quantity, colour, date.toString("dd.MM.yyyy")));
    }

    void aLineWithNoPiecesAndNoHoursIsRefused_data() {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<bool>("refused");
        QTest::newRow("0 pieces, 0 hours") << "0"
                                           << "0" << true;
        QTest::newRow("0 pieces, 8 hours") << "0"
                                           << "8" << false;
        QTest::newRow("5 pieces, 0 hours") << "5"
                                           << "0" << false;
    }
    void aLineWithNoPiecesAndNoHoursIsRefused() {
        QFETCH(QString, quantity);
        QFETCH(QString, hours);
        QFETCH(bool, refused);
        showJournal(tuesday);
        QStringList afterwards;
        addLine(worker, assembly, {{"Время", hours}, {"Кол-во", quantity}});
        QCOMPARE(errors(), refused ? QStringList{ShiftEntry::EmptyLineMessage} : QStringList());
        QCOMPARE(lines(), refused ? 0 : 1);
        if (!refused) return;
        // The pick leaves "0" in "Кол-во" with the focus on it: one more Enter is refused too,
        // and the real line typed next is no duplicate of anything.
        shown.clear();
        QVERIFY(inEntryDialog(journal->Button1, [&] {
            pick(worker, assembly);
            QVERIFY(dialog->focusWidget() == box("Кол-во"));
            QTest::keyClick(box("Кол-во"), Qt::Key_Return);
            afterwards = errors();
            QTest::keyClicks(box("Кол-во"), "40");
            QTest::keyClick(box("Кол-во"), Qt::Key_Return);
        }));
        QCOMPARE(afterwards, QStringList{ShiftEntry::EmptyLineMessage});
        QCOMPARE(errors(), afterwards);
        QCOMPARE(t->scalar("select kol_vo from accounts_dep.smena").toInt(), 40);
    }

    void theColourFollowsTheOperationsKindNotItsBrand_data() {
        QTest::addColumn<QString>("brand");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("paint");
        QTest::newRow("paint kind, plain brand") << "Шкаф Ш-1"
                                                 << "Окраска КРАСКОЙ" << true;
        QTest::newRow("paint kind in lower case") << "Шкаф Ш-1"
                                                  << "покраска краской" << true;
        QTest::newRow("plain kind, paint brand") << "Краска ПФ-115"
                                                 << "Фасовка" << false;
        QTest::newRow("plain kind, plain brand") << "Шкаф Ш-1"
                                                 << "Сборка шкафа" << false;
        QTest::newRow("paint kind, paint brand") << "Краска ПФ-115"
                                                 << "Краска" << true;
    }
    void theColourFollowsTheOperationsKindNotItsBrand() {
        QFETCH(QString, brand);
        QFETCH(QString, kind);
        QFETCH(bool, paint);
        const int oper = t->addOperation(t->addKind(kind), t->addProduct(brand), 0, {4});
        showJournal(tuesday);
        bool onPick = false, withoutColour = false;
        // A new line: the colour box after the pick, "Запись" without a colour, then with one.
        QVERIFY(inEntryDialog(journal->Button1, [&] {
            pick(worker, oper);
            onPick = box("Цвет")->isEnabled();
            type("Кол-во", "5");
            type("Время", "1");
            dialog->Button1->click();
            withoutColour = !dialog->isVisible();
            if (withoutColour) return;
            type("Цвет", "1015");
            dialog->Button1->click();
        }));
        QCOMPARE(onPick, paint);
        QCOMPARE(withoutColour, !paint);
        QCOMPARE(errors(), paint ? QStringList{ShiftEntry::IncompleteMessage} : QStringList());
        QCOMPARE(t->scalar("select color from accounts_dep.smena").toInt(), paint ? 1015 : 0);
        // The line opened for change: the same rule, and "Запись" of it unchanged is accepted.
        shown.clear();
        bool onChange = false;
        QVERIFY(inEntryDialog(journal->Button2, [&] {
            onChange = box("Цвет")->isEnabled();
            dialog->Button1->click();
        }));
        QCOMPARE(onChange, paint);
        QCOMPARE(errors(), QStringList());
        QCOMPARE(t->scalar("select color from accounts_dep.smena").toInt(), paint ? 1015 : 0);
    }

    void theSurchargesAreShownBesideTheFinalPrice_data() {
        QTest::addColumn<bool>("dayOff");
        QTest::addColumn<int>("shift");
        QTest::addColumn<QString>("words");
        QTest::addColumn<double>("factor");
        QTest::newRow("none") << false << 1 << "без надбавок" << 1.0;
        QTest::newRow("shift 2") << false << 2 << "без надбавок" << 1.0;
        QTest::newRow("day off") << true << 1 << "выходной ×2" << 2.0;
        QTest::newRow("shift 3") << false << 3 << "3 смена ×1,2" << 1.2;
        QTest::newRow("day off in overtime") << true << 4 << "выходной ×2, переработка ×1,5" << 3.0;
    }
    void theSurchargesAreShownBesideTheFinalPrice() {
        QFETCH(bool, dayOff);
        QFETCH(int, shift);
        QFETCH(QString, words);
        QFETCH(double, factor);
        showJournal(tuesday, shift);
        journal->CBox1->setChecked(dayOff);
        QString shownWords;
        double price = 0;
        inEntryDialog(journal->Button1, [&] {
            pick(worker, assembly);
            shownWords = dialog->Label11->text();
            price = dialog->SelPrice;
        });
        QCOMPARE(shownWords, words);
        QCOMPARE(price, 16.55 * factor);
        // A line opened for change says what its own price carries over the operation's norm.
        t->addLine(worker, assembly, tuesday, shift, 1, 0, SqlText::roundTo(16.55 * factor, 4), 1);
        journal->DateTChange();
        QVERIFY(inEntryDialog(journal->Button2, [&] {
            shownWords = dialog->Label11->text();
            dialog->Button1->click();
        }));
        QCOMPARE(shownWords, words);
        journal->shiftButton(1)->click();
    }

    void aChangedLineWhosePriceIsNoSurchargeShowsItsFactor() {
        t->addLine(worker, assembly, tuesday, 1, 1, 0, 20, 1);
        showJournal(tuesday);
        QString shownWords;
        inEntryDialog(journal->Button2, [&] { shownWords = dialog->Label11->text(); });
        QCOMPARE(shownWords, QString("×1,2085 к норме"));
    }

    void theJournalFollowsTheShiftSelectorsState_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("mouse") << "click";
        QTest::newRow("program") << "setChecked";
        QTest::newRow("assistive technology") << "Toggle";
    }
    void theJournalFollowsTheShiftSelectorsState() {
        QFETCH(QString, how);
        showJournal(tuesday, 1);
        QRadioButton* three = journal->RadioButton3;
        QCOMPARE(three->accessibleName().isEmpty() ? three->text() : three->accessibleName(), "Смена №3");
        if (how == "click") three->click();
        if (how == "setChecked") three->setChecked(true);
        if (how == "Toggle") {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(three);
            QVERIFY(iface && iface->actionInterface());
            QVERIFY(
                iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
            iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        }
        QVERIFY(three->isChecked());
        QCOMPARE(journal->CurSmena, 3);
        QCOMPARE(journal->DBGrid2->query(), &t->dm().Smena3);
        QVERIFY(three->font().bold());
        QVERIFY(addLine(worker, assembly, {{"Кол-во", "3"}, {"Время", "2"}}));
        QCOMPARE(t->scalar("select smena from accounts_dep.smena").toInt(), 3);
        QCOMPARE(day(5, worker, 3).toInt(), 2);
        QCOMPARE(journal->DBGrid2->model()->rowCount(), 1);
        journal->shiftButton(1)->click();
    }

    void dayOffFollowsTheDateAndAHandSetTickOutlivesTheDialog_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("looked"); // a date looked at before the dialog (invalid: none)
        QTest::addColumn<int>("byHand");   // the tick set by hand before the dialog (-1: untouched)
        QTest::addColumn<bool>("dayOff");  // after the dialog
        const QDate thursday(2024, 3, 7), saturday(2024, 3, 9);
        QTest::newRow("a Saturday looked at, back to Thursday") << thursday << saturday << -1 << false;
        QTest::newRow("a Thursday looked at, back to Saturday") << saturday << thursday << -1 << true;
        QTest::newRow("a holiday ticked by hand on Thursday") << thursday << QDate() << 1 << true;
        QTest::newRow("a working Saturday unticked by hand") << saturday << QDate() << 0 << false;
        QTest::newRow("ticked by hand, another day looked at")
            << thursday << thursday.addDays(1) << 1 << false;
    }
    void dayOffFollowsTheDateAndAHandSetTickOutlivesTheDialog() {
        QFETCH(QDate, today);
        QFETCH(QDate, looked);
        QFETCH(int, byHand);
        QFETCH(bool, dayOff);
        journal->today = [=] { return today; };
        struct Hide {
            Form1* f;
            ~Hide() { f->hide(); }
        } hideAfterwards{journal};
        journal->show();
        QVERIFY(QTest::qWaitForWindowActive(journal));
        QCOMPARE(journal->DateT->date(), today);
        if (looked.isValid()) journal->DateT->setDate(looked);
        if (byHand >= 0 && journal->CBox1->isChecked() != bool(byHand)) journal->CBox1->click();
        // A dialog of the journal left with "Отмена": the journal comes back to today.
        inEntryDialog(journal->Button1, [] {});
        QCOMPARE(journal->DateT->date(), today);
        QCOMPARE(journal->CBox1->isChecked(), dayOff);
        // The next line is priced by the box as it now stands.
        double price = 0;
        inEntryDialog(journal->Button1, [&] {
            pick(worker, assembly);
            price = dialog->SelPrice;
        });
        QCOMPARE(price, dayOff ? 33.1 : 16.55);
    }
};

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
