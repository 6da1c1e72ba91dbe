// The shift entry dialog: the price of a pick, the checks of an entry, the line it writes
// and the day hours it keeps, and a line entered with the keyboard alone.
#include "app/Form1.h"
#include "catalogues/Form4.h"
#include "catalogues/Form5.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "db/Transaction.h"
#include "journal/Form11.h"
#include "journal/Pricing.h"
#include "journal/ShiftEntry.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

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
    // The operations list's row of an operation, as a pick hands it over.
    QSqlRecord operRow(int oper) {
        Query& q = t->dm().Oper;
        q.reopen();
        if (!q.locate("id", oper)) qFatal("operation %d not listed", oper);
        return q.record();
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("entry");
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
        QTest::newRow("rejects above quantity") << "brak"
                                                << "11" << ShiftEntry::RejectsOverQuantityMessage;
        QTest::newRow("quantity too large") << "kolVo"
                                            << "99999999999" << ShiftEntry::TooLargeMessage.arg("Кол-во");
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
};

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
