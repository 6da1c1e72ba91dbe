// Operations and prices, their norms, and the nomenclature picker.
#include "catalogues/Form10.h"
#include "catalogues/Form22.h"
#include "catalogues/Form26.h"
#include "catalogues/Form3.h"
#include "catalogues/Form4.h"
#include "catalogues/Form7.h"
#include "catalogues/Form8.h"
#include "catalogues/Form9.h"
#include "catalogues/OperationCatalogue.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"
#include "tests/support/Workbook.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

class TestOperations : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    RecordingOpener opener;
    Form3* products = nullptr;
    Form7* product = nullptr;
    Form8* kinds = nullptr;
    Form9* kind = nullptr;
    Form4* list = nullptr;
    Form10* dialog = nullptr;
    Form22* norms = nullptr;
    Form26* nomenclature = nullptr;
    int table = 0, chair = 0, assembly = 0, painting = 0;

    Query& oper() { return t->dm().Oper; }
    qlonglong count(const QString& sql, const QMap<QString, QVariant>& p = {}) {
        return t->scalar(sql, p).toLongLong();
    }
    // Types into a box as a person would, Cyrillic included.
    static void type(QWidget* w, const QString& text) {
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    // The editor open in the norms grid, if any.
    QLineEdit* normEditor() {
        for (QLineEdit* e : norms->DBGrid1->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) return e;
        return nullptr;
    }
    // Opens the editor of a norms cell as a person would: the view's edit(), F2 or a double click.
    QLineEdit* openNormEditor(const QModelIndex& index, const QString& how) {
        NormGrid* grid = norms->DBGrid1;
        grid->setCurrentIndex(index);
        if (how == "edit") {
            grid->edit(index);
        } else if (how == "F2") {
            QTest::keyClick(grid, Qt::Key_F2);
        } else {
            const QPoint at = grid->visualRect(index).center();
            // A person's double click: press, release, the double click, release.
            QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        }
        return normEditor();
    }
    QString decimal(const QString& text) { return QString(text).replace('.', QLocale().decimalPoint()); }
    template <class W> W* make() {
        auto* w = new W;
        registerInstance(w);
        return w;
    }
    template <class W> void drop(W*& w) {
        unregisterInstance<W>();
        delete w;
        w = nullptr;
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("operations");
        product = make<Form7>();
        products = make<Form3>();
        kind = make<Form9>();
        kinds = make<Form8>();
        norms = make<Form22>();
        dialog = make<Form10>();
        list = make<Form4>();
        nomenclature = make<Form26>();
    }
    void cleanupTestCase() {
        drop(nomenclature);
        drop(list);
        drop(dialog);
        drop(norms);
        drop(kinds);
        drop(kind);
        drop(products);
        drop(product);
        t.reset();
    }
    void init() {
        t->clearData();
        shown.clear();
        table = t->addProduct("Стол СТ-1");
        chair = t->addProduct("Стул офисный");
        assembly = t->addKind("Сборка");
        painting = t->addKind("Окраска");
        t->addOperation(assembly, table, 0, {12.5, 20});
        t->addOperation(painting, chair, 1, {7});
        list->Tag = 0;
        list->CheckBox1->setChecked(false);
        list->Edit1->clear();
        oper().reopen();
    }

    void searchFindsTheTextAnywhereInTheBrand_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("brands");
        QTest::newRow("middle of the brand") << "СТ-" << QStringList{"Стол СТ-1"};
        QTest::newRow("letter case ignored") << "офис" << QStringList{"Стул офисный"};
        QTest::newRow("only spaces shows all") << "   " << QStringList{"*"};
        QTest::newRow("wildcards are characters") << "%" << QStringList{};
        QTest::newRow("a quote is a character") << "'" << QStringList{};
    }
    void searchFindsTheTextAnywhereInTheBrand() {
        QFETCH(QString, typed);
        QFETCH(QStringList, brands);
        if (brands == QStringList{"*"}) // every operation, the reserved ones included
            for (int i = 0; i < oper().recordCount(); ++i)
                brands << oper().row(i).value("marka").toString();
        brands.removeAll("*");
        list->Edit1->setText(typed);
        QStringList found;
        for (int i = 0; i < oper().recordCount(); ++i)
            found << oper().row(i).value("marka").toString();
        QCOMPARE(found, brands);
        QCOMPARE(shown.texts(), QStringList());
    }

    void operationsAreAddedAndChangedWithoutDuplicates() {
        // A new operation for the chair's assembly: picked product and kind, then its norms open.
        int normsWhenOpened = -1;
        whenModal([&](QWidget* w) {
            if (w == dialog) {
                dialog->Edit1->setText("Стул офисный");
                dialog->IzdelId = chair;
                dialog->Edit2->setText("Сборка");
                dialog->VidId = assembly;
                dialog->ComboBox1->setCurrentIndex(1);
                dialog->Button1->click();
                return false; // the norms come next
            }
            if (w != norms) return false;
            // The new operation's first norm, typed into the blank row and left with Tab.
            normsWhenOpened = norms->norm.storedCount();
            norms->norm.setData(norms->norm.index(0, NormTable::Price), "9,5");
            norms->Button1->click();
            return true;
        });
        list->Button1Click();
        QCOMPARE(normsWhenOpened, 0);
        const int added = t->scalar("select id from accounts_dep.oper where vid=:k and i_id=:p",
                                    {{"k", assembly}, {"p", chair}})
                              .toInt();
        QVERIFY(added > 0);
        QCOMPARE(t->scalar("select cena_new from accounts_dep.oper where id=:id", {{"id", added}}).toDouble(),
                 0.0);
        QCOMPARE(t->scalar("select naimen from accounts_dep.oper where id=:id", {{"id", added}}).toInt(), 1);
        QCOMPARE(oper().field("id").toInt(), added); // the list stands on it, with its norm
        QCOMPARE(oper().field("cena").toDouble(), 9.5);

        // The same operation again is refused.
        QVERIFY(oper().locate("marka", "Стол СТ-1"));
        const auto again = OperationCatalogue::save(t->dm(), OperationCatalogue::NewOperation, 0,
                                                    "Стул офисный", "Сборка", chair, assembly, 1);
        QCOMPARE(again.result, OperationCatalogue::Saved::Refused);
        QCOMPARE(shown.texts().last(), OperationCatalogue::DuplicateMessage);
        // Changing the table's assembly into the chair's is refused; saving it unchanged is not.
        const int tableAssembly = oper().field("id").toInt();
        QCOMPARE(OperationCatalogue::save(t->dm(), OperationCatalogue::ChangeOperation, tableAssembly,
                                          "Стул офисный", "Сборка", chair, assembly, 1)
                     .result,
                 OperationCatalogue::Saved::Refused);
        QCOMPARE(OperationCatalogue::save(t->dm(), OperationCatalogue::ChangeOperation, tableAssembly,
                                          "Стол СТ-1", "Сборка", table, assembly, 0)
                     .result,
                 OperationCatalogue::Saved::Written);
        // Nothing chosen: incomplete.
        shown.clear();
        QCOMPARE(OperationCatalogue::save(t->dm(), OperationCatalogue::NewOperation, 0, "", "Сборка", 0,
                                          assembly, 0)
                     .result,
                 OperationCatalogue::Saved::Refused);
        QCOMPARE(shown.texts(), QStringList{"Все поля должны быть заполнены!"});
        QCOMPARE(count("select count(*) from accounts_dep.oper where vid<>7777 and vid<>7778"), 3);
    }

    void anOperationWithoutNormsIsNotLost() {
        // An operation left without a norm is not listed; adding it again opens its norms.
        const int bare = t->addOperation(painting, table, 0, {});
        oper().reopen();
        QVERIFY(!oper().locate("id", bare));
        const auto again = OperationCatalogue::save(t->dm(), OperationCatalogue::NewOperation, 0, "Стол СТ-1",
                                                    "Окраска", table, painting, 0);
        QCOMPARE(again.result, OperationCatalogue::Saved::ExistsWithoutNorms);
        QCOMPARE(again.id, bare);
        // Closing its norms without one asks first; "Нет" leaves it as it is.
        norms->norm.load(bare);
        shown.answers = {true};
        whenModal([&](QWidget* w) {
            if (w != norms) return false;
            norms->Button1->click(); // asked; "Да": stays open for a norm
            const bool stayed = norms->isVisible();
            shown.answers = {false};
            norms->Button1->click();
            return stayed;
        });
        norms->openFor(bare);
        QCOMPARE(shown.texts(), (QStringList{OperationCatalogue::WithoutNormsMessage, Form22::NoNormQuestion,
                                             Form22::NoNormQuestion}));
        QVERIFY(!norms->isVisible());
    }

    void normsAreStoredAsTheyAreTypedAndTheLastOneIsKept() {
        QVERIFY(oper().locate("marka", "Стол СТ-1"));
        const int id = oper().field("id").toInt();
        QCOMPARE(oper().field("norma").toInt(), 2);
        list->CheckBox1->setChecked(true);
        QStringList seen;
        whenModal([&](QWidget* w) {
            if (w != norms) return false;
            NormTable& n = norms->norm;
            auto shownPrice = [&](int row) {
                return n.data(n.index(row, NormTable::Price), Qt::DisplayRole).toString();
            };
            // Sorted by "Норматив" (both 10 here, then by id); "#0.00#" prices.
            seen << QString::number(n.storedCount()) << shownPrice(0);
            // A new norm typed into the blank row; a value that is no number is refused.
            seen << (n.setData(n.index(2, NormTable::Norma), "abc") ? "taken" : "refused");
            n.setData(n.index(2, NormTable::Norma), "5");
            n.setData(n.index(2, NormTable::Price), "4,125");
            seen << shownPrice(2);
            norms->Button1->click();
            return true;
        });
        list->DBGrid1DblClick();
        QCOMPARE(seen, (QStringList{"2", "12.50", "refused", "4.125"}));
        QCOMPARE(count("select count(*) from accounts_dep.norm where o_id=:o and norma=5 and price=4.125",
                       {{"o", id}}),
                 1);
        // The list shows the new lowest price and one more norm, on the same operation.
        QCOMPARE(oper().field("id").toInt(), id);
        QCOMPARE(oper().field("norma").toInt(), 3);
        QCOMPARE(oper().field("cena").toDouble(), 4.125);

        // "Удалить" takes the current norm without a question, but never the last one.
        norms->norm.load(id);
        for (int i = 0; i < 3; ++i) {
            norms->DBGrid1->setCurrentIndex(norms->norm.index(0, NormTable::Norma));
            norms->Button2Click();
        }
        QCOMPARE(count("select count(*) from accounts_dep.norm where o_id=:o", {{"o", id}}), 1);
        QCOMPARE(shown.texts(), QStringList());
    }

    void priceCheckboxOpensNormsOnlyInTheCatalogue() {
        list->CheckBox1->setChecked(true);
        QList<QWidget*> seen;
        list->setRowPickHandler(1, [&](const QSqlRecord& row) {
            seen << nullptr;
            Q_UNUSED(row);
        });
        whenModal([&](QWidget* w) {
            if (w != list) return false;
            seen << w;
            list->DBGrid1DblClick(); // picks, even with "Цены" ticked
            return true;
        });
        QVERIFY(list->openPicker(1, 0));
        QCOMPARE(seen.size(), 2);
        QVERIFY(!list->Edit1->isVisible());
        QVERIFY(oper().isOpen());
    }

    void deleteAsksAndKeepsOperationsTheJournalUses() {
        QVERIFY(oper().locate("marka", "Стул офисный"));
        const int used = oper().field("id").toInt();
        t->addLine(t->addWorker("Орлов П. А."), used, QDate(2024, 3, 5), 1, 1, 0, 7, 1);
        shown.answers = {true};
        list->Button3Click();
        QCOMPARE(shown.texts(),
                 (QStringList{"Удалить операцию?", OperationCatalogue::UsedInJournalMessage.arg(1)}));
        QCOMPARE(count("select count(*) from accounts_dep.oper where id=:id", {{"id", used}}), 1);
        QVERIFY(oper().locate("marka", "Стол СТ-1"));
        const int unused = oper().field("id").toInt();
        shown.clear();
        shown.answers = {false};
        list->Button3Click();
        QCOMPARE(count("select count(*) from accounts_dep.oper where id=:id", {{"id", unused}}), 1);
        shown.answers = {true};
        list->Button3Click();
        QCOMPARE(count("select count(*) from accounts_dep.oper where id=:id", {{"id", unused}}), 0);
        QCOMPARE(shown.shown.first().caption, QString("Удаление"));
        // Its norms stay.
        QCOMPARE(count("select count(*) from accounts_dep.norm where o_id=:o", {{"o", unused}}), 2);
    }

    void workbookListsEveryOperationOnce() {
        t->addOperation(painting, table, 1, {}); // without norms, still exported
        t->exec("update accounts_dep.oper set cena_new = 12.5 where vid = :k and i_id = :p",
                {{"k", assembly}, {"p", table}});
        list->Button5Click();
        QVERIFY(!opener.opened.isEmpty());
        const QMap<QString, QString> cells = readCells(opener.opened.last());
        auto text = [&](const QString& cell) { return cells.value(cell); };
        QCOMPARE((QStringList{text("A1"), text("B1"), text("C1"), text("D1")}),
                 (QStringList{"Марка", "Операция", "Цена", "Вид"}));
        QCOMPARE((QStringList{text("A2"), text("B2"), text("C2"), text("D2")}),
                 (QStringList{"Стол СТ-1", "Окраска", "0", "Заготовки"}));
        QCOMPARE((QStringList{text("A3"), text("B3"), text("C3"), text("D3")}),
                 (QStringList{"Стол СТ-1", "Сборка", "12.5", "Готовая продукция"}));
        QCOMPARE(text("A4"), QString("Стул офисный"));
        // One row per operation, the reserved ones included, and nothing below.
        const int operations = int(count("select count(*) from accounts_dep.oper"));
        QVERIFY(cells.contains(QString("A%1").arg(operations + 1)));
        QVERIFY(!cells.contains(QString("A%1").arg(operations + 2)));
        QVERIFY(!t->dm().Oper.isFiltered());
        QVERIFY(!list->XLS_Rep.isOpen());
    }

    void aNormCellLookedAtAndLeftStoresNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<QString>("editorShows");
        QTest::newRow("edit(), Tab") << "edit" << int(NormTable::Price) << "Tab"
                                     << "0.1234";
        QTest::newRow("F2, Сохранить") << "F2" << int(NormTable::Price) << "Сохранить"
                                       << "0.1234";
        QTest::newRow("double click, another row") << "double click" << int(NormTable::Price) << "another row"
                                                   << "0.1234";
    }
    void aNormCellLookedAtAndLeftStoresNothing() {
        QFETCH(QString, how);
        QFETCH(int, column);
        QFETCH(QString, leave);
        QFETCH(QString, editorShows);
        const int id = t->addOperation(assembly, chair, 0, {0.1234, 20});
        oper().reopen();
        QVERIFY(oper().locate("id", id));
        list->CheckBox1->setChecked(true);
        QString editorText = "no editor";
        whenModal([&](QWidget* w) {
            if (w != norms) return false;
            // Row 0 is the 0.1234 norm (same norm, ordered by id).
            if (QLineEdit* editor = openNormEditor(norms->norm.index(0, column), how)) {
                editorText = editor->text();
                if (leave == "Tab")
                    QTest::keyClick(editor, Qt::Key_Tab);
                else if (leave == "another row")
                    norms->DBGrid1->setCurrentIndex(norms->norm.index(1, column));
            }
            norms->Button1->click();
            return true;
        });
        list->DBGrid1DblClick();
        QCOMPARE(editorText, decimal(editorShows));
        QCOMPARE(count("select count(*) from accounts_dep.norm where o_id=:o and price=0.1234 and norma=10",
                       {{"o", id}}),
                 1);
        QCOMPARE(oper().field("cena").toDouble(), 0.1234);
        QCOMPARE(shown.texts(), QStringList());
    }

    void theCloseBoxStoresNothingStillBeingTyped() {
        QVERIFY(oper().locate("marka", "Стол СТ-1"));
        const int id = oper().field("id").toInt();
        list->CheckBox1->setChecked(true);
        whenModal([&](QWidget* w) {
            if (w != norms) return false;
            // A price typed and left with Tab is stored ...
            if (QLineEdit* editor = openNormEditor(norms->norm.index(0, NormTable::Price), "edit")) {
                editor->selectAll();
                QTest::keyClicks(editor, "3");
                QTest::keyClick(editor, Qt::Key_Tab);
            }
            // ... one still being typed is not.
            if (QLineEdit* editor = openNormEditor(norms->norm.index(1, NormTable::Price), "edit")) {
                editor->selectAll();
                QTest::keyClicks(editor, "1");
            }
            norms->close();
            return true;
        });
        list->DBGrid1DblClick();
        QVERIFY(!norms->isVisible());
        QCOMPARE(
            t->scalar("select string_agg(price::text, ' ' order by id) from accounts_dep.norm where o_id=:o",
                      {{"o", id}})
                .toString(),
            "3 20");
        // The stored value shows in the operations list, which stands on the same operation.
        QCOMPARE(oper().field("id").toInt(), id);
        QCOMPARE(oper().field("cena").toDouble(), 3.0);
    }

    void negativeNormValuesAreRefusedInWords_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("title");
        QTest::newRow("Норматив") << int(NormTable::Norma) << "Норматив";
        QTest::newRow("Цена") << int(NormTable::Price) << "Цена";
        QTest::newRow("Премия, %") << int(NormTable::Prize) << "Премия, %";
    }
    void negativeNormValuesAreRefusedInWords() {
        QFETCH(int, column);
        QFETCH(QString, title);
        QVERIFY(oper().locate("marka", "Стул офисный"));
        const int id = oper().field("id").toInt();
        list->CheckBox1->setChecked(true);
        whenModal([&](QWidget* w) {
            if (w != norms) return false;
            for (int row : {0, 1}) { // the stored norm, and the blank row for a new one
                QLineEdit* editor = openNormEditor(norms->norm.index(row, column), "F2");
                if (!editor) continue;
                editor->selectAll();
                QTest::keyClicks(editor, "-5");
                QTest::keyClick(editor, Qt::Key_Tab);
            }
            norms->Button1->click();
            return true;
        });
        list->DBGrid1DblClick();
        QCOMPARE(shown.texts(), QStringList(2, NormTable::NegativeMessage.arg(title)));
        QCOMPARE(t->scalar("select concat_ws(' ', count(*), min(norma), min(price), min(prize)) from "
                           "accounts_dep.norm where o_id=:o",
                           {{"o", id}})
                     .toString(),
                 "1 10 7 0");
    }

    void deleteCountsTheNormsTheDatabaseHoldsNow() {
        QVERIFY(oper().locate("marka", "Стол СТ-1"));
        const int id = oper().field("id").toInt();
        norms->norm.load(id);
        QCOMPARE(norms->norm.storedCount(), 2);
        // Another workstation deletes the first norm while this window still shows both.
        {
            QSqlDatabase other = t->openOther("otherWorkstation");
            QSqlQuery q(other);
            QVERIFY(q.exec(QString("delete from accounts_dep.norm where id=%1").arg(norms->norm.idAt(0))));
        }
        QSqlDatabase::removeDatabase("otherWorkstation");
        norms->DBGrid1->setCurrentIndex(norms->norm.index(1, NormTable::Norma));
        norms->Button2Click();
        QCOMPARE(shown.texts(), QStringList{NormTable::LastNormMessage});
        QCOMPARE(count("select count(*) from accounts_dep.norm where o_id=:o", {{"o", id}}), 1);
        QCOMPARE(norms->norm.storedCount(), 1); // the window shows the database again
    }

    void anOperationWithoutAPricedNormCannotBePicked_data() {
        QTest::addColumn<QVariantList>("prices");
        QTest::addColumn<bool>("picked");
        QTest::addColumn<double>("price");
        QTest::newRow("no priced norm") << QVariantList{QVariant()} << false << 0.0;
        QTest::newRow("a priced norm beside one without")
            << QVariantList{QVariant(), QVariant(6.5)} << true << 6.5;
    }
    void anOperationWithoutAPricedNormCannotBePicked() {
        QFETCH(QVariantList, prices);
        QFETCH(bool, picked);
        QFETCH(double, price);
        const int id = t->addOperation(assembly, chair, 1, {});
        for (const QVariant& p : prices)
            t->exec("insert into accounts_dep.norm (o_id, norma, price, prize) values (:o, 10, :p, 0)",
                    {{"o", id}, {"p", p.isValid() ? p : QVariant(QMetaType(QMetaType::Double))}});
        QVariant handed;
        list->setRowPickHandler(1, [&](const QSqlRecord& row) { handed = row.value("cena"); });
        bool stayedOpen = false;
        whenModal([&](QWidget* w) {
            if (w != list) return false;
            list->Button2->click();
            stayedOpen = list->isVisible();
            if (stayedOpen) list->Button4->click();
            return true;
        });
        QCOMPARE(list->openPicker(1, id), picked);
        QCOMPARE(stayedOpen, !picked);
        QCOMPARE(shown.texts(), picked ? QStringList() : QStringList{OperationCatalogue::NoPriceMessage});
        QCOMPARE(handed.isValid(), picked);
        if (picked) QCOMPARE(handed.toDouble(), price);
        list->setRowPickHandler(1, nullptr);
    }

    void workbookWritesZeroWhereThePriceIsEmpty() {
        t->exec("update accounts_dep.oper set cena_new = null where vid = :k and i_id = :p",
                {{"k", assembly}, {"p", table}});
        list->Button5Click();
        QVERIFY(!opener.opened.isEmpty());
        const QMap<QString, QString> cells = readCells(opener.opened.last());
        QCOMPARE((QStringList{cells.value("A2"), cells.value("B2"), cells.value("C2")}),
                 (QStringList{"Стол СТ-1", "Сборка", "0"}));
    }

    void nomenclaturePickerSearchesByPrefixAndRemembersIt() {
        const int bolts = t->addClassItem("болты М8");
        t->addClassItem("Болты М10");
        t->addClassItem("Гайки");
        t->addClassItem("Ящик", 3); // another level is not listed
        int pickedId = -1;
        QString pickedName;
        nomenclature->setPickHandler(24, [&](const QString& name, int id) {
            pickedName = name;
            pickedId = id;
        });
        nomenclature->Edit1->clear();
        whenModal([&](QWidget* w) {
            if (w != nomenclature) return false;
            type(nomenclature->Edit1, "БОЛ");
            QTest::keyClick(nomenclature->Edit1, Qt::Key_Down); // the second: "болты М8"
            QTest::keyClick(nomenclature->Edit1, Qt::Key_Return);
            return true;
        });
        QVERIFY(nomenclature->openPicker(24));
        QCOMPARE(pickedName, QString("болты М8"));
        QCOMPARE(pickedId, bolts);
        // The next opening keeps the search; one that empties the list hands back nothing.
        whenModal([&](QWidget* w) {
            if (w != nomenclature) return false;
            if (nomenclature->item.recordCount() != 2) return false;
            nomenclature->Edit1->end(false);
            type(nomenclature->Edit1, "x");
            nomenclature->Button1->click();
            return true;
        });
        QVERIFY(nomenclature->openPicker(24));
        QCOMPARE(pickedId, 0);
        QCOMPARE(pickedName, QString());
        QCOMPARE(nomenclature->Edit1->text(), QString("БОЛx"));
        // Escape closes it without a pick.
        pickedId = -1;
        whenModal([&](QWidget* w) {
            if (w != nomenclature) return false;
            QTest::keyClick(nomenclature, Qt::Key_Escape);
            return true;
        });
        QVERIFY(!nomenclature->openPicker(24));
        QCOMPARE(pickedId, -1);
    }
};

QTEST_MAIN(TestOperations)
#include "tst_operations.moc"
