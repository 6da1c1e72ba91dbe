// The journal of the main window and the day hours it keeps in the monthly timesheet.
#include "app/Form1.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Transaction.h"
#include "journal/DayHours.h"
#include "journal/Form11.h"
#include "journal/Journal.h"
#include "journal/ShiftEntry.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <atomic>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <QWheelEvent>

class TestJournal : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    Form1* form = nullptr;
    int worker = 0, oper = 0;
    const QDate march5{2024, 3, 5}; // a Tuesday

    QVariant day(int d, int w = 0, int shift = 1) {
        return t->scalar(
            QString("select d%1 from accounts_dep.h_tabel where w_id=:w and smena=:s and month=3 and "
                    "year=2024")
                .arg(d),
            {{"w", w ? w : worker}, {"s", shift}});
    }
    qlonglong rows() { return t->scalar("select count(*) from accounts_dep.h_tabel").toLongLong(); }
    void showDate(const QDate& d) {
        form->DateT->setDate(d);
        form->DateTChange();
    }
    // Puts the grid on the line with this id.
    void select(int lineId) {
        Query& q = *form->DBGrid2->query();
        QVERIFY(q.locate("id", lineId));
    }

private slots:
    void initTestCase() { t = std::make_unique<TestDb>("journal"); }
    void cleanupTestCase() { t.reset(); }
    void init() {
        t->clearData();
        shown.clear();
        worker = t->addWorker("Орлов Павел Андреевич");
        oper = t->addOperation(t->addKind("Сборка"), t->addProduct("Стеллаж СТ-2000"), 0, {5});
        form = new Form1;
        registerInstance(form);
    }
    void cleanup() {
        unregisterInstance<Form1>();
        delete form;
    }

    void activationReturnsToTodayAndTheDayOffFollowsTheDate() {
        const QDate saturday(2024, 3, 9), wednesday(2024, 3, 13);
        t->addLine(worker, oper, wednesday, 1, 1, 0, 5, 1);
        form->today = [=] { return wednesday; };
        showDate(saturday);
        QVERIFY(form->CBox1->isChecked());
        QCOMPARE(form->CBox1->font().bold(), true);
        // Activation returns to today's lines, and the day off follows the weekday.
        form->FormActivate();
        QCOMPARE(form->DateT->date(), wednesday);
        QVERIFY(!form->CBox1->isChecked());
        QCOMPARE(form->DBGrid2->model()->rowCount(), 1);
        // A holiday ticked by hand outlives an activation on the same date.
        form->CBox1->click();
        form->FormActivate();
        QVERIFY(form->CBox1->isChecked());
        // Picking another weekday unticks it.
        showDate(wednesday.addDays(1));
        QVERIFY(!form->CBox1->isChecked());
        QCOMPARE(form->DBGrid2->model()->rowCount(), 0);
        // Activation on a Sunday ticks it.
        form->today = [] { return QDate(2024, 3, 10); };
        form->FormActivate();
        QVERIFY(form->CBox1->isChecked());
    }

    void shiftSelectorsShowTheirShift() {
        for (int shift = 1; shift <= 4; ++shift)
            t->addLine(worker, oper, march5, shift, shift, 0, 5, shift);
        showDate(march5);
        form->RadioButton3->setChecked(true);
        form->RadioButton3Click();
        QCOMPARE(form->CurSmena, 3);
        QCOMPARE(form->DBGrid2->query(), &t->dm().Smena3);
        QCOMPARE(form->DBGrid2->cellText(0, "kol_vo"), QString("3"));
        QCOMPARE(form->RadioButton3->font().bold(), true);
        QCOMPARE(form->RadioButton1->font().bold(), false);
        form->RadioButton4->setChecked(true);
        form->RadioButton4Click();
        QCOMPARE(form->CurSmena, 4);
        QCOMPARE(form->DBGrid2->cellText(0, "time"), QString("4"));
        QCOMPARE(form->DBGrid2->cellText(0, "summa"), QString("20.00"));
    }

    void deleteKeepsTheTimesheetInStep() {
        // Two lines of 4 and 3 hours and a third of 1 hour; the row also holds day 6.
        const int four = t->addLine(worker, oper, march5, 1, 1, 0, 5, 4);
        const int three = t->addLine(worker, oper, march5, 1, 2, 0, 5, 3);
        const int one = t->addLine(worker, oper, march5, 1, 3, 0, 5, 1);
        t->exec("insert into accounts_dep.h_tabel (w_id, smena, month, year, d5, d6) values (:w, 1, 3, 2024, "
                "8, 5)",
                {{"w", worker}});
        showDate(march5);

        select(one);
        shown.answers = {false};
        form->Button3Click();
        QCOMPARE(shown.texts().size(), 1);
        QCOMPARE(shown.texts()[0].section('\n', 0, 0), QString("Удалить позицию из списка?"));
        QCOMPARE(shown.shown[0].caption, QString("Удаление"));
        QCOMPARE(shown.shown[0].kind, ShownMessage::Question);
        QCOMPARE(t->scalar("select count(*) from accounts_dep.smena").toLongLong(), 3LL);
        QCOMPARE(day(5).toInt(), 8);

        select(one);
        shown.answers = {true};
        form->Button3Click();
        QCOMPARE(
            t->scalar("select count(*) from accounts_dep.smena where id=:id", {{"id", one}}).toLongLong(),
            0LL);
        QCOMPARE(day(5).toInt(), 7);
        QCOMPARE(form->DBGrid2->model()->rowCount(), 2);

        for (int id : {four, three}) {
            select(id);
            shown.answers = {true};
            form->Button3Click();
        }
        QVERIFY(day(5).isNull()); // the day has no hours; the others keep theirs
        QCOMPARE(day(6).toInt(), 5);
        QCOMPARE(rows(), 1LL);
    }

    // The journal's current line after an add, a change and a delete, with the window shown so
    // that the entry dialog's return re-reads the journal as it does in use.
    void currentLineIsTheLineActedOn() {
        Form11 dialog;
        registerInstance(&dialog);
        const int anna = t->addWorker("Андреева Анна");
        const int boris = t->addWorker("Борисов Борис");
        const int vera = t->addWorker("Волкова Вера");
        const int zhukov = t->addWorker("Жуков Илья");
        const int andreeva = t->addLine(anna, oper, march5, 1, 1, 0, 5, 1);
        const int borisov = t->addLine(boris, oper, march5, 1, 2, 0, 5, 2);
        const int volkova = t->addLine(vera, oper, march5, 1, 3, 0, 5, 3);
        const int orlov = t->addLine(worker, oper, march5, 1, 4, 0, 5, 4); // Орлов, last by name
        form->today = [d = march5] { return d; };
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
        Query& q = *form->DBGrid2->query();
        auto current = [&q] { return q.field("id").toInt(); };
        auto selectedRow = [this] { return form->DBGrid2->currentIndex().row() + 1; };

        // Add a line of Жуков: it sorts in the middle (row 4), and the journal stands on it.
        select(andreeva);
        whenModal([&](QWidget* w) {
            if (w != &dialog) return false;
            dialog.pickWorker("Жуков Илья", zhukov);
            dialog.SelOId = oper;
            dialog.SelIId =
                t->scalar("select i_id from accounts_dep.oper where id=:o", {{"o", oper}}).toInt();
            dialog.SelPrice = 5;
            dialog.Edit2->setText("Стеллаж СТ-2000; Сборка; Готовая продукция");
            dialog.Edit3->setText("7");
            shown.answers = {true}; // a date far from today is asked about
            dialog.Button1Click();
            if (dialog.isVisible()) dialog.reject();
            return true;
        });
        form->Button1Click();
        const int added =
            t->scalar("select id from accounts_dep.smena where w_id=:w", {{"w", zhukov}}).toInt();
        QVERIFY(added > 0);
        QCOMPARE(current(), added);
        QCOMPARE(q.recNo(), 4);
        QCOMPARE(selectedRow(), 4);

        // Borisov's line goes to Яковлева, who sorts last: the journal stays on the changed line.
        const int yana = t->addWorker("Яковлева Яна");
        select(borisov);
        whenModal([&](QWidget* w) {
            if (w != &dialog) return false;
            dialog.pickWorker("Яковлева Яна", yana);
            dialog.Edit3->setText("9");
            shown.answers = {true};
            dialog.Button1Click();
            if (dialog.isVisible()) dialog.reject();
            return true;
        });
        form->Button2Click();
        QCOMPARE(t->scalar("select w_id from accounts_dep.smena where id=:id", {{"id", borisov}}).toInt(),
                 yana);
        QCOMPARE(current(), borisov);
        QCOMPARE(q.recNo(), 5);
        QCOMPARE(selectedRow(), 5);

        // Delete the first line: the journal stands on the line that took its place.
        select(andreeva);
        shown.answers = {true};
        form->Button3Click();
        QCOMPARE(current(), volkova);
        QCOMPARE(selectedRow(), 1);
        // Answering No leaves it where it was.
        select(added);
        shown.answers = {false};
        form->Button3Click();
        QCOMPARE(current(), added);
        // The last line deleted: the one before it.
        select(borisov);
        shown.answers = {true};
        form->Button3Click();
        QCOMPARE(current(), orlov);
        QCOMPARE(selectedRow(), q.recNo());
        form->hide();
        unregisterInstance<Form11>();
    }

    // A save through the entry dialog reads its shift once (the dialog's read after the save is
    // kept on the return), and every shift of the journal then holds what a fresh read gives,
    // lines written meanwhile by another workstation included.
    void aSaveInTheEntryDialogLeavesTheJournalAsReadAfresh_data() {
        QTest::addColumn<bool>("change");
        QTest::newRow("new line") << false;
        QTest::newRow("changed line") << true;
    }
    void aSaveInTheEntryDialogLeavesTheJournalAsReadAfresh() {
        QFETCH(bool, change);
        Form11 dialog;
        registerInstance(&dialog);
        const int line = t->addLine(worker, oper, march5, 1, 1, 0, 5, 1);
        t->addLine(t->addWorker("Андреева Анна"), oper, march5, 2, 2, 0, 5, 2);
        const int boris = t->addWorker("Борисов Борис");
        form->today = [d = march5] { return d; };
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
        DataModule6& dm = t->dm();
        int reads = 0;
        QObject reading; // the count ends with the test
        connect(&dm.Smena1, &Query::rowsReset, &reading, [&] { reads += dm.Smena1.isOpen(); });
        whenModal([&](QWidget* w) {
            if (w != &dialog) return false;
            // Another workstation writes lines of both shifts while the dialog is open.
            t->addLine(boris, oper, march5, 1, 3, 0, 5, 1);
            t->addLine(boris, oper, march5, 2, 4, 0, 5, 1);
            if (!change) {
                dialog.pickWorker("Орлов Павел Андреевич", worker);
                dialog.SelOId = oper;
                dialog.SelIId =
                    t->scalar("select i_id from accounts_dep.oper where id=:o", {{"o", oper}}).toInt();
                dialog.SelPrice = 5;
                dialog.Edit2->setText("Стеллаж СТ-2000; Сборка; Готовая продукция");
                dialog.Edit5->setText("7"); // not a duplicate of the line there
            }
            dialog.Edit3->setText("9");
            shown.answers = {true, true}; // a date far from today, a colour: asked about
            reads = 0;
            dialog.Button1Click();
            if (dialog.isVisible()) dialog.reject();
            return true;
        });
        if (change) {
            select(line);
            form->Button2Click();
        } else {
            form->Button1Click();
        }
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(reads, 1);
        QCOMPARE(dm.Smena1.field("id").toInt(), change ? line : dialog.SavedId);
        QCOMPARE(dm.Smena1.recordCount(), change ? 2 : 3);
        QCOMPARE(dm.Smena2.recordCount(), 2);
        for (int shift = 1; shift <= 4; ++shift) {
            Query& shownRows = dm.smenaQuery(shift);
            Query fresh;
            fresh.setConnectionName(DataModule6::ConnectionName);
            fresh.setSql(DataModule6::smenaSql(shift));
            fresh.setParam("data", shownRows.param("data"));
            fresh.setParam("ok", shownRows.param("ok"));
            fresh.open();
            QCOMPARE(shownRows.recordCount(), fresh.recordCount());
            for (int i = 0; i < fresh.recordCount(); ++i)
                for (int c = 0; c < fresh.fields().count(); ++c)
                    QCOMPARE(shownRows.value(i, c), fresh.value(i, c));
        }
        form->hide();
        unregisterInstance<Form11>();
    }

    void deleteQuestionNamesTheLine() {
        const int line = t->addLine(worker, oper, march5, 1, 12, 0, 5, 7);
        t->addLine(t->addWorker("Андреева Анна"), oper, march5, 1, 3, 0, 5, 2);
        showDate(march5);
        select(line);
        form->Button3Click();
        QCOMPARE(shown.shown.size(), 1);
        QCOMPARE(shown.shown[0].caption, QString("Удаление"));
        const QStringList text = shown.shown[0].text.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(text.value(0), QString("Удалить позицию из списка?"));
        QCOMPARE(text.mid(1), (QStringList{"Орлов Павел Андреевич", "Операция: Сборка (Стеллаж СТ-2000)",
                                           "Кол-во: 12, часы: 7"}));
    }

    void escapeAsksBeforeEndingTheWork() {
        form->today = [d = march5] { return d; };
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
        form->DBGrid2->setFocus();
        shown.answers = {false};
        QTest::keyClick(form->DBGrid2, Qt::Key_Escape);
        QCOMPARE(shown.texts(), QStringList{"Выйти из программы?"});
        QVERIFY(form->isVisible());
        shown.answers = {true};
        QTest::keyClick(form->DBGrid2, Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QCOMPARE(form->result(), int(QDialog::Rejected));
        // "Выход" and the close box end it without a question.
        shown.clear();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
        form->Button4->click();
        QVERIFY(!form->isVisible());
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
        form->close();
        QVERIFY(!form->isVisible());
        QVERIFY(shown.shown.isEmpty());
    }

    void activationIsTheShowingAndADialogsReturnOnly() {
        form->today = [d = march5] { return d; };
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(form->DateT->date(), march5);
        const QDate later = march5.addDays(3);
        form->DateT->setDate(later);
        // The focus leaves for another application's window and comes back: no activation.
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(form->DateT->date(), later);
        // A dialog opened from the journal closes: the journal returns to today.
        QDialog dialog(form);
        whenModal([&](QWidget* w) {
            if (w != &dialog) return false;
            dialog.reject();
            return true;
        });
        dialog.exec();
        QTRY_COMPARE(form->DateT->date(), march5);
        form->hide();
    }

    void theJournalFollowsItsDatePickerAndDeletesOnTheLinesOwnDay() {
        t->addLine(worker, oper, march5, 1, 1, 0, 5, 4);
        const int sixth = t->addLine(worker, oper, march5.addDays(1), 1, 1, 0, 5, 2);
        t->addLine(worker, oper, march5.addDays(2), 1, 1, 0, 5, 1);
        t->exec(
            "insert into accounts_dep.h_tabel (w_id, smena, month, year, d5, d6, d7) values (:w, 1, 3, 2024, "
            "4, 2, 1)",
            {{"w", worker}});
        showDate(march5);
        QCOMPARE(form->DBGrid2->cellText(0, "time"), QString("4"));
        // One wheel notch on the day: the grid shows the next day's line.
        form->DateT->setCurrentSection(QDateTimeEdit::DaySection);
        QWheelEvent notch(QPointF(5, 5), form->DateT->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form->DateT, &notch);
        QCOMPARE(form->DateT->date(), march5.addDays(1));
        QCOMPARE(form->DBGrid2->cellText(0, "time"), QString("2"));
        // The arrow keys step it too.
        QTest::keyClick(form->DateT, Qt::Key_Up);
        QCOMPARE(form->DBGrid2->cellText(0, "time"), QString("1"));
        QTest::keyClick(form->DateT, Qt::Key_Down);
        // A delete recomputes the day of the line it deleted, and no other.
        select(sixth);
        shown.answers = {true};
        form->Button3Click();
        QVERIFY(day(6).isNull());
        QCOMPARE(day(5).toInt(), 4);
        QCOMPARE(day(7).toInt(), 1);
    }

    void deleteOnAnEmptyJournalDoesNothing() {
        showDate(march5);
        form->Button3Click();
        form->DBGrid2DblClick();
        QVERIFY(shown.shown.isEmpty());
    }

    void doubleClickTogglesTheConfirmation() {
        const int first = t->addLine(worker, oper, march5, 2, 1, 0, 5, 1, "да");
        const int second = t->addLine(t->addWorker("Яковлев Олег Ильич"), oper, march5, 2, 1, 0, 5, 1, "no");
        showDate(march5);
        form->RadioButton2->setChecked(true);
        form->RadioButton2Click();
        auto mark = [this](int id) {
            return t->scalar("select ok from accounts_dep.smena where id=:id", {{"id", id}}).toString();
        };
        select(second);
        form->DBGrid2DblClick();
        QCOMPARE(mark(second), QString("ok"));
        QCOMPARE(form->DBGrid2->query()->recNo(), 2); // back on the same row number
        select(first);
        form->DBGrid2DblClick();
        QCOMPARE(mark(first), QString("no"));
        form->DBGrid2DblClick();
        QCOMPARE(mark(first), QString("ok"));
        QCOMPARE(form->CurQuery, &t->dm().Smena2);
        // The mark's cell is drawn green when confirmed, red otherwise.
        const QModelIndex cell = form->DBGrid2->model()->index(0, 10);
        QCOMPARE(cell.data(Qt::DisplayRole).toString(), QString("ok"));
        QCOMPARE(cell.data(Qt::ForegroundRole).value<QColor>(), QColor(0, 128, 0));
        QCOMPARE(cell.data(Qt::FontRole).value<QFont>().bold(), true);
        select(first);
        form->DBGrid2DblClick();
        QCOMPARE(form->DBGrid2->model()->index(0, 10).data(Qt::ForegroundRole).value<QColor>(),
                 QColor(255, 0, 0));

        // Foremen cannot confirm, nor can the budget office, whose grid is for reading.
        for (const char* code : {"foreman", "budget"}) {
            form->LoginText = code;
            form->DBGrid2DblClick();
            QCOMPARE(mark(first), QString("no"));
        }
    }

    void saveWritesTheDayAndCreatesTheRowOnce() {
        auto save = [this](int hours, const QDate& d, int shift = 1) {
            Transaction tr(t->db());
            t->addLine(worker, oper, d, shift, 1, 0, 5, hours);
            DayHours::afterSave(t->db(), worker, shift, d);
            tr.commit();
        };
        save(4, march5);
        QCOMPARE(rows(), 1LL);
        QCOMPARE(day(5).toInt(), 4);
        QVERIFY(day(4).isNull());
        QCOMPARE(t->scalar("select i_type from accounts_dep.h_tabel").toInt(), 0);
        save(0, march5.addDays(1)); // a line of 0 hours still writes its day
        QCOMPARE(day(6).toInt(), 0);
        save(3, march5);
        QCOMPARE(day(5).toInt(), 7);
        save(2, march5, 4); // overtime hours go to the overtime row
        QCOMPARE(day(5, worker, 4).toInt(), 2);
        QCOMPARE(rows(), 2LL);
        // A line moved to another day leaves its old day without it.
        t->exec("update accounts_dep.smena set data = :d where time = 3", {{"d", march5.addDays(2)}});
        DayHours::recomputeDay(t->db(), worker, 1, march5);
        DayHours::afterSave(t->db(), worker, 1, march5.addDays(2));
        QCOMPARE(day(5).toInt(), 4);
        QCOMPARE(day(7).toInt(), 3);
    }

    void failedDeleteLeavesLineAndTimesheet() {
        const int line = t->addLine(worker, oper, march5, 1, 1, 0, 5, 4);
        t->exec("insert into accounts_dep.h_tabel (w_id, smena, month, year, d5) values (:w, 1, 3, 2024, 4)",
                {{"w", worker}});
        // The timesheet refuses the write: the line's delete must not stand alone.
        t->exec("create function pg_temp.refuse() returns trigger language plpgsql as "
                "'begin raise exception ''timesheet locked''; end'");
        t->exec("create trigger refuse before update on accounts_dep.h_tabel for each row execute function "
                "pg_temp.refuse()");
        QVERIFY_THROWS_EXCEPTION(DbError, Journal::deleteLine(t->dm(), line));
        t->exec("drop trigger refuse on accounts_dep.h_tabel");
        QCOMPARE(t->scalar("select count(*) from accounts_dep.smena").toLongLong(), 1LL);
        QCOMPARE(day(5).toInt(), 4);
    }

    void eachShiftShowsItsLinesWithEveryPersonOfTheirNumberOrCode() {
        // The people of a shift are looked up once per worker; the rows must be exactly those of
        // joining every line with every person whose number or code is its w_id.
        const int byCode = t->addPerson("Белов Олег", QString::number(worker + 5000)); // no such number
        const int both = t->addPerson("Ясенев Иван");                                  // code = number
        t->addPerson("Дубов Пётр", QString::number(both)); // a second person whose code is that number
        const int paint = t->addOperation(t->addKind("Покраска"), t->addProduct("Бак Б-1"), 1, {2.5});
        const int otherProduct = t->addOperation(t->addKind("Сборка"), t->addProduct("Анкер А-5"), 0, {1});
        int n = 0;
        for (int shift = 1; shift <= 4; ++shift) {
            for (int w : {worker, worker + 5000, both, 987654}) { // the last one is nobody's
                for (int op : {oper, paint, otherProduct}) {
                    ++n;
                    t->addLine(w, op, march5, shift, 3 + n % 5, n % 2, 1.1 * n, n % 9, "no", n % 3);
                    t->addLine(w, op, march5.addDays(1), shift, 1, 0, 1, 1); // another day
                }
                t->addLine(w, oper, march5, shift, 7, 0, 3.3, 1, Journal::HiddenMark, 4); // hidden
            }
        }
        Q_UNUSED(byCode);
        for (int shift = 1; shift <= 4; ++shift) {
            const QString sql = DataModule6::smenaSql(shift);
            // The same query joining the people line by line.
            QString plain = sql.mid(sql.indexOf(QStringLiteral("select smena.id")));
            plain.replace(QStringLiteral("from person,"),
                          QStringLiteral("from cmn_contractor.person person,"));
            plain.replace(QStringLiteral("person.p_w_id=smena.w_id"),
                          QStringLiteral("(w_id=person.id or s_code::t_id=w_id)"));
            QVERIFY(!plain.contains(QStringLiteral("p_w_id")));
            auto read = [&](const QString& text, QStringList* keys) {
                QSqlQuery q(t->db());
                execBound(q, text, {{"data", march5}, {"ok", Journal::HiddenMark}});
                QStringList out;
                while (q.next()) {
                    QStringList fields;
                    for (int c = 0; c < q.record().count(); ++c)
                        fields << q.value(c).toString();
                    out << fields.join(u'|');
                    *keys << (shift == 1
                                  ? QStringList{q.value("fio").toString(), q.value("marka").toString(),
                                                q.value("vid").toString(), q.value("naimen").toString(),
                                                q.value("color").toString()}
                                  : QStringList{q.value("fio").toString()})
                                 .join(u'|');
                }
                return out;
            };
            QStringList keys, plainKeys;
            QStringList rows = read(sql, &keys), plainRows = read(plain, &plainKeys);
            QCOMPARE(rows.size(), 4 * 3); // Орлов, Белов, Ясенев and Дубов: three lines each
            QCOMPARE(keys, plainKeys); // the same order
            rows.sort();
            plainRows.sort();
            QCOMPARE(rows, plainRows);
        }
    }

    void simultaneousSavesNeverMakeASecondRow() {
        // Two workstations save lines of one worker, shift and month at the same moment,
        // month after month: each month must end with one row holding both days.
        const int months = 12;
        std::atomic<int> ready{0};
        auto station = [&](int id, int dayOfMonth) {
            return QThread::create([&, id, dayOfMonth] {
                QSqlDatabase db = t->openOther(QString("station%1").arg(id));
                {
                    for (int m = 1; m <= months; ++m) {
                        const QDate d(2023, m, dayOfMonth);
                        // Meet the other station at each month.
                        ready.fetch_add(1);
                        while (ready.load() < 2 * m)
                            QThread::yieldCurrentThread();
                        Transaction tr(db);
                        QSqlQuery q(db);
                        execBound(q,
                                  "insert into accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, "
                                  "data, smena, "
                                  "color, time, ok) values (:w, 0, 0, 1, 1, 0, :d, 2, 0, :h, 'no')",
                                  {{"w", worker}, {"d", d}, {"h", dayOfMonth}});
                        DayHours::afterSave(db, worker, 2, d);
                        tr.commit();
                    }
                }
                db.close();
            });
        };
        std::unique_ptr<QThread> a(station(1, 3)), b(station(2, 4));
        a->start();
        b->start();
        QVERIFY(a->wait(60000));
        QVERIFY(b->wait(60000));
        QSqlDatabase::removeDatabase("station1");
        QSqlDatabase::removeDatabase("station2");
        QCOMPARE(t->scalar("select count(*) from accounts_dep.h_tabel where smena=2").toLongLong(),
                 qlonglong(months));
        QCOMPARE(t->scalar("select count(*) from accounts_dep.h_tabel where smena=2 and d3=3 and d4=4")
                     .toLongLong(),
                 qlonglong(months));
    }
};

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
