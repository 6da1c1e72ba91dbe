// The catalogues of workers, products and operation kinds: their lists, their dialogs and
// the lists' picker mode, checked in the database and in the widgets.
#include "catalogues/Form2.h"
#include "catalogues/Form3.h"
#include "catalogues/Form5.h"
#include "catalogues/Form7.h"
#include "catalogues/Form8.h"
#include "catalogues/Form9.h"
#include "catalogues/KindCatalogue.h"
#include "catalogues/ProductCatalogue.h"
#include "catalogues/WorkerCatalogue.h"
#include "db/Instances.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <memory>
#include <QApplication>
#include <QClipboard>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

namespace {

// Runs `action` once `dialog` has become the active modal window (shown by exec()), and
// closes the dialog afterwards if the action left it open. The owner checks ran().
class ModalDriver {
public:
    ModalDriver(QDialog* dialog, std::function<void()> action) : dialog_(dialog), action_(std::move(action)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QApplication::activeModalWidget() != dialog_) return;
            timer_.stop();
            ran_ = true;
            action_();
            if (dialog_->isVisible()) dialog_->reject();
        });
        timer_.start();
    }
    bool ran() const { return ran_; }

private:
    QDialog* dialog_;
    std::function<void()> action_;
    QTimer timer_;
    bool ran_ = false;
};

void typeText(QWidget* w, const QString& text) {
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

QStringList shownTexts(const DbGrid* grid, const QString& field) {
    QStringList out;
    for (int row = 0; row < grid->gridModel()->rowCount(); ++row)
        out << grid->cellText(row, field);
    return out;
}

// Moves the query to the row whose field reads `text`.
bool standOnText(Query& q, const QString& field, const QString& text) {
    for (int n = 1; n <= q.recordCount(); ++n) {
        if (q.row(n - 1).value(field).toString() == text) {
            q.setRecNo(n);
            return true;
        }
    }
    return false;
}

struct Pick {
    int tag;
    QString text;
    int id;
};

} // namespace

class TestCatalogues : public QObject {
    Q_OBJECT

    // One of the three lists, seen the same way by the tests that cover all of them.
    struct List {
        QDialog* window;
        DbGrid* grid;
        QLineEdit* search;
        QPushButton* add;
        QPushButton* change;
        QPushButton* remove;
        Query* query;
        QString field;
        std::function<int(const QString&)> insert;
        std::function<void(int)> preparePicker;
        std::function<void(int)> openPicker;
        std::function<void()> prepareCatalogue;
        std::function<void(int, Catalogue::PickHandler)> setPickHandler;
    };

    List list(const QString& name) {
        if (name == QLatin1String("workers"))
            return {form5.get(),
                    form5->DBGrid1,
                    form5->Edit1,
                    form5->Button1,
                    form5->Button2,
                    form5->Button3,
                    &db->dm().Workers,
                    QStringLiteral("fio"),
                    [this](const QString& s) { return db->addWorker(s); },
                    [this](int tag) { form5->preparePicker(tag); },
                    [this](int tag) { form5->openPicker(tag); },
                    [this] { form5->prepareCatalogue(); },
                    [this](int tag, Catalogue::PickHandler h) { form5->setPickHandler(tag, std::move(h)); }};
        if (name == QLatin1String("products"))
            return {form3.get(),
                    form3->DBGrid1,
                    form3->Edit1,
                    form3->Button1,
                    form3->Button2,
                    form3->Button3,
                    &db->dm().Izdel,
                    QStringLiteral("marka"),
                    [this](const QString& s) { return db->addProduct(s); },
                    [this](int tag) { form3->preparePicker(tag); },
                    [this](int tag) { form3->openPicker(tag); },
                    [this] { form3->prepareCatalogue(); },
                    [this](int tag, Catalogue::PickHandler h) { form3->setPickHandler(tag, std::move(h)); }};
        return {form8.get(),
                form8->DBGrid1,
                form8->Edit1,
                form8->Button1,
                form8->Button2,
                form8->Button3,
                &db->dm().Vid_oper,
                QStringLiteral("vid"),
                [this](const QString& s) { return db->addKind(s); },
                [this](int tag) { form8->preparePicker(tag); },
                [this](int tag) { form8->openPicker(tag); },
                [this] { form8->prepareCatalogue(); },
                [this](int tag, Catalogue::PickHandler h) { form8->setPickHandler(tag, std::move(h)); }};
    }

    qlonglong count(const QString& sql, const QMap<QString, QVariant>& params = {}) {
        return db->scalar(sql, params).toLongLong();
    }

    int allRows(const QString& listName) {
        const QString view = listName == "workers"    ? "accounts_dep.person"
                             : listName == "products" ? "accounts_dep.izdel"
                                                      : "accounts_dep.vid_oper";
        return int(count("select count(*) from " + view));
    }

    std::unique_ptr<TestDb> db;
    std::unique_ptr<RecordingMessages> shown;
    std::unique_ptr<Form2> form2;
    std::unique_ptr<Form5> form5;
    std::unique_ptr<Form7> form7;
    std::unique_ptr<Form3> form3;
    std::unique_ptr<Form9> form9;
    std::unique_ptr<Form8> form8;

private slots:
    void initTestCase() {
        db = std::make_unique<TestDb>(QStringLiteral("catalogues"));
        shown = std::make_unique<RecordingMessages>();
        form2 = std::make_unique<Form2>();
        form5 = std::make_unique<Form5>();
        form7 = std::make_unique<Form7>();
        form3 = std::make_unique<Form3>();
        form9 = std::make_unique<Form9>();
        form8 = std::make_unique<Form8>();
        registerInstance(form2.get());
        registerInstance(form5.get());
        registerInstance(form7.get());
        registerInstance(form3.get());
        registerInstance(form9.get());
        registerInstance(form8.get());
        db->dm().Delim = QStringLiteral("."); // as the build check sets it
    }

    void init() {
        db->clearData();
        db->exec("delete from cmn_department.department");
        db->exec("delete from hrms_staffpos.staffpos");
        db->exec("delete from adm_role.roles");
        shown->clear();
        for (Query* q : {&db->dm().Workers, &db->dm().Izdel, &db->dm().Vid_oper}) {
            q->clearFilter();
            q->close();
        }
        for (QLineEdit* e : {form5->Edit1, form3->Edit1, form8->Edit1})
            e->clear();
        for (int tag : {1, 24}) {
            form5->setPickHandler(tag, {});
            form3->setPickHandler(tag, {});
            form8->setPickHandler(tag, {});
        }
    }

    void cleanupTestCase() {
        unregisterInstance<Form8>();
        unregisterInstance<Form9>();
        unregisterInstance<Form3>();
        unregisterInstance<Form7>();
        unregisterInstance<Form5>();
        unregisterInstance<Form2>();
        form8.reset();
        form9.reset();
        form3.reset();
        form7.reset();
        form5.reset();
        form2.reset();
        shown.reset();
        db.reset();
    }

    // ---- Windows -------------------------------------------------------------------------

    void windowsHaveTheirCaptionAndSize_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("size");
        QTest::newRow("Form5") << "Form5"
                               << "Список рабочих" << QSize(641, 550);
        QTest::newRow("Form2") << "Form2"
                               << "Работники" << QSize(418, 192);
        QTest::newRow("Form3") << "Form3"
                               << "Изделия (3)" << QSize(577, 574);
        QTest::newRow("Form7") << "Form7"
                               << "Изделие" << QSize(460, 131);
        QTest::newRow("Form8") << "Form8"
                               << "Виды операций (8)" << QSize(334, 576);
        QTest::newRow("Form9") << "Form9"
                               << "" << QSize(418, 92);
    }
    void windowsHaveTheirCaptionAndSize() {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QFETCH(QSize, size);
        const QMap<QString, QDialog*> windows{{"Form5", form5.get()}, {"Form2", form2.get()},
                                              {"Form3", form3.get()}, {"Form7", form7.get()},
                                              {"Form8", form8.get()}, {"Form9", form9.get()}};
        QDialog* w = windows.value(window);
        if (!caption.isEmpty()) QCOMPARE(w->windowTitle(), caption);
        // The list windows start at their size and can be resized and maximised; the dialogs
        // keep theirs.
        if (qobject_cast<CatalogueList*>(w)) {
            QCOMPARE(w->size(), size);
            QVERIFY(w->minimumSize() != w->maximumSize());
            QVERIFY(w->windowFlags() & Qt::WindowMaximizeButtonHint);
        } else {
            QCOMPARE(w->minimumSize(), size);
            QCOMPARE(w->maximumSize(), size);
        }
    }

    void textBoxesHoldWhatTheirColumnHolds_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("capacity");
        QTest::newRow("worker name") << "workers" << 254;
        QTest::newRow("brand") << "products" << 254;
        QTest::newRow("kind name") << "kinds" << 128;
    }
    void textBoxesHoldWhatTheirColumnHolds() {
        QFETCH(QString, dialog);
        QFETCH(int, capacity);
        const int cls = db->addClassItem(QStringLiteral("Класс"));
        QLineEdit* edit = dialog == "workers"    ? form2->Edit1
                          : dialog == "products" ? form7->Edit1
                                                 : form9->Edit1;
        edit->clear();
        typeText(edit, QString(capacity + 5, QChar(0x0416))); // Ж
        QCOMPARE(edit->text().size(), capacity);
        bool saved = false;
        if (dialog == "workers")
            saved = WorkerCatalogue::save(form2->cmd_person, WorkerCatalogue::NewWorker, 0, edit->text(), {});
        else if (dialog == "products")
            saved = ProductCatalogue::save(db->dm(), ProductCatalogue::NewProduct, 0, edit->text(), "1", cls);
        else
            saved = KindCatalogue::save(db->dm(), KindCatalogue::NewKind, 0, edit->text());
        QVERIFY(saved);
        const QString stored = dialog == "workers"    ? "select max(length(fio)) from accounts_dep.person"
                               : dialog == "products" ? "select max(length(marka)) from accounts_dep.izdel"
                                                      : "select max(length(vid)) from accounts_dep.vid_oper";
        QCOMPARE(count(stored), qlonglong(capacity));
        QCOMPARE(shown->texts(), QStringList());
    }

    // ---- Search --------------------------------------------------------------------------

    void searchByFirstLetters_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        const QStringList people{"Иванов", "иванова", "Ивлев", "Петров", "Ёлкин", "ёжиков"};
        QTest::newRow("workers, lower case")
            << "workers" << people << "ив" << QStringList{"Иванов", "иванова", "Ивлев"};
        QTest::newRow("workers, upper case")
            << "workers" << people << "ИВАН" << QStringList{"Иванов", "иванова"};
        QTest::newRow("workers, ё") << "workers" << people << "Ё" << QStringList{"Ёлкин", "ёжиков"};
        QTest::newRow("workers, none") << "workers" << people << "Я" << QStringList{};
        QTest::newRow("workers, space is typed text")
            << "workers" << QStringList{"Ив Сен", "Ивлев"} << "ив " << QStringList{"Ив Сен"};
        QTest::newRow("workers, quote")
            << "workers" << QStringList{"O'Brien", "OBrien"} << "o'" << QStringList{"O'Brien"};
        const QStringList brands{"ab-1", "AB-2", "Б-3", "Шина", "шланг"};
        QTest::newRow("products, mixed case") << "products" << brands << "aB" << QStringList{"ab-1", "AB-2"};
        QTest::newRow("products, Cyrillic") << "products" << brands << "ШИ" << QStringList{"Шина"};
        const QStringList kinds{"Сварка", "сверловка", "Покраска", "%скидка", "_резка"};
        QTest::newRow("kinds, case") << "kinds" << kinds << "СВ" << QStringList{"Сварка", "сверловка"};
        QTest::newRow("kinds, percent is a character") << "kinds" << kinds << "%" << QStringList{"%скидка"};
        QTest::newRow("kinds, underscore is a character") << "kinds" << kinds << "_" << QStringList{"_резка"};
    }
    void searchByFirstLetters() {
        QFETCH(QString, listName);
        QFETCH(QStringList, names);
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        const List l = list(listName);
        for (const QString& n : names)
            l.insert(n);
        l.preparePicker(1); // every list has its search box in the picker
        const int all = l.query->recordCount();
        typeText(l.search, typed);
        QCOMPARE(sorted(shownTexts(l.grid, l.field)), sorted(found));
        QCOMPARE(l.query->recordCount(), int(found.size()));
        l.search->clear();
        QVERIFY(!l.query->isFiltered());
        QCOMPARE(l.query->recordCount(), all);
        QCOMPARE(l.grid->gridModel()->rowCount(), all);
    }

    void searchBoxKeys_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("recNo");
        // The box holds "ab" with the caret after "a"; the list shows ab1, ab2, ab3 and stands
        // on ab2. A changed text filters the list again, which then stands on its first row.
        // The arrows Up and Down move the list; every other key edits the box as text boxes do.
        for (const char* name : {"workers", "kinds", "products"}) {
            const QString n = QString::fromLatin1(name);
            QTest::addRow("%s, Down", name) << n << int(Qt::Key_Down) << "ab" << 1 << 3;
            QTest::addRow("%s, Up", name) << n << int(Qt::Key_Up) << "ab" << 1 << 1;
            QTest::addRow("%s, Left moves the caret", name) << n << int(Qt::Key_Left) << "ab" << 0 << 2;
            QTest::addRow("%s, Home moves the caret", name) << n << int(Qt::Key_Home) << "ab" << 0 << 2;
            QTest::addRow("%s, End moves the caret", name) << n << int(Qt::Key_End) << "ab" << 2 << 2;
            QTest::addRow("%s, Ctrl+A selects all", name) << n << int(Qt::Key_A) << "ab" << 2 << 2;
            QTest::addRow("%s, Delete edits", name) << n << int(Qt::Key_Delete) << "a" << 1 << 1;
            QTest::addRow("%s, Backspace edits", name) << n << int(Qt::Key_Backspace) << "b" << 0 << 1;
            QTest::addRow("%s, a character edits", name) << n << int(Qt::Key_X) << "axb" << 2 << 0;
        }
    }
    void searchBoxKeys() {
        QFETCH(QString, listName);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, cursor);
        QFETCH(int, recNo);
        const List l = list(listName);
        for (const char* n : {"ab1", "ab2", "ab3", "b1"})
            l.insert(n);
        l.preparePicker(1);
        l.search->setText(QStringLiteral("ab"));
        l.query->setRecNo(2);
        l.search->setCursorPosition(1);
        if (key == Qt::Key_X)
            QTest::keyClick(l.search, 'x');
        else if (key == Qt::Key_A)
            QTest::keyClick(l.search, Qt::Key_A, Qt::ControlModifier);
        else
            QTest::keyClick(l.search, Qt::Key(key));
        QCOMPARE(l.search->text(), text);
        if (key == Qt::Key_A) QCOMPARE(l.search->selectedText(), text);
        QCOMPARE(l.search->cursorPosition(), cursor);
        QCOMPARE(l.query->recNo(), recNo);
    }

    // ---- Pickers -------------------------------------------------------------------------

    void pickerModesAndAfterwards_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<bool>("catalogueSearchBox");
        QTest::addColumn<bool>("filteredAfter");
        // The worker list keeps the search of its last showing; the other two clear it.
        QTest::newRow("workers") << "workers" << true << true;
        QTest::newRow("products") << "products" << true << false;
        QTest::newRow("kinds") << "kinds" << false << false;
    }
    void pickerModesAndAfterwards() {
        QFETCH(QString, listName);
        QFETCH(bool, catalogueSearchBox);
        QFETCH(bool, filteredAfter);
        const List l = list(listName);
        l.insert(QStringLiteral("Альфа"));
        l.insert(QStringLiteral("Бета"));
        l.preparePicker(1);
        typeText(l.search, QStringLiteral("Бе")); // left over from an earlier pick
        l.preparePicker(1);
        QCOMPARE(l.change->text(), QStringLiteral("Выбрать"));
        QVERIFY(l.change->isDefault());
        QVERIFY(!l.add->isDefault());
        QVERIFY(l.add->isHidden());
        QVERIFY(l.remove->isHidden());
        QVERIFY(!l.change->isHidden());
        QVERIFY(!l.search->isHidden());
        QCOMPARE(l.search->text(), QString());
        QVERIFY(!l.query->isFiltered());
        QVERIFY(l.query->isOpen());

        // The showing ends without a pick; typed text does not outlive it as a filter.
        ModalDriver drive(l.window, [&] { typeText(l.search, QStringLiteral("Бе")); });
        l.openPicker(1);
        QVERIFY(drive.ran());
        QVERIFY(!l.query->isOpen());

        l.prepareCatalogue();
        QCOMPARE(l.change->text(), QStringLiteral("Изменить"));
        QVERIFY(!l.change->isDefault());
        QVERIFY(l.add->isDefault());
        QVERIFY(!l.add->isHidden());
        QVERIFY(!l.remove->isHidden());
        QCOMPARE(!l.search->isHidden(), catalogueSearchBox);
        QCOMPARE(l.query->isFiltered(), filteredAfter);
        QCOMPARE(l.query->recordCount(), filteredAfter ? 1 : allRows(listName));
    }

    void pickHandsBackTheRow_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("handedBack");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hasId");
        // The lists hold "Бета  " and "Альфа"; the pick is made on "Бета  ".
        QTest::newRow("worker to the shift entry") << "workers" << 1 << ""
                                                   << "button" << true << "Бета" << true;
        QTest::newRow("worker to household works") << "workers" << 24 << ""
                                                   << "enter" << true << "Бета" << true;
        QTest::newRow("worker, double click") << "workers" << 1 << ""
                                              << "double-click" << true << "Бета" << true;
        QTest::newRow("worker, unknown opener") << "workers" << 7 << ""
                                                << "button" << false << "" << false;
        QTest::newRow("worker, empty list") << "workers" << 1 << "Я"
                                            << "button" << false << "" << false;
        QTest::newRow("product") << "products" << 1 << ""
                                 << "enter" << true << "Бета" << true;
        QTest::newRow("product, empty list") << "products" << 1 << "Я"
                                             << "button" << true << "" << false;
        QTest::newRow("kind") << "kinds" << 1 << "бе"
                              << "double-click" << true << "Бета" << true;
        QTest::newRow("kind, empty list") << "kinds" << 1 << "Я"
                                          << "enter" << true << "" << false;
    }
    void pickHandsBackTheRow() {
        QFETCH(QString, listName);
        QFETCH(int, tag);
        QFETCH(QString, search);
        QFETCH(QString, how);
        QFETCH(bool, handedBack);
        QFETCH(QString, text);
        QFETCH(bool, hasId);
        const List l = list(listName);
        l.insert(QStringLiteral("Альфа"));
        const int beta = l.insert(QStringLiteral("Бета  "));
        QList<Pick> picks;
        for (int t : {1, 24})
            l.setPickHandler(t, [&picks, t](const QString& s, int id) { picks.append({t, s, id}); });

        ModalDriver drive(l.window, [&] {
            typeText(l.search, search);
            standOnText(*l.query, l.field, QStringLiteral("Бета  "));
            if (how == "button") {
                l.change->click();
            } else if (how == "enter") {
                QTest::keyClick(l.search, Qt::Key_Return);
            } else {
                const QRect cell = l.grid->visualRect(l.grid->gridModel()->index(l.query->recNo() - 1, 0));
                QTest::mouseDClick(l.grid->viewport(), Qt::LeftButton, {}, cell.center());
            }
            QVERIFY(!l.window->isVisible()); // the pick ends the showing
        });
        l.openPicker(tag);
        QVERIFY(drive.ran());
        QCOMPARE(picks.size(), handedBack ? 1 : 0);
        if (handedBack) {
            QCOMPARE(picks[0].tag, tag);
            QCOMPARE(picks[0].text, text);
            QCOMPARE(picks[0].id, hasId ? beta : 0);
        }
    }

    // ---- Workers -------------------------------------------------------------------------

    void workerSaveStoresNameAsTyped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("department");
        QTest::addColumn<QString>("stored");
        QTest::newRow("trimmed") << "  Сидоров Пётр  "
                                 << "Цех 1"
                                 << "Сидоров Пётр";
        QTest::newRow("no department shown") << "Сидоров"
                                             << ""
                                             << "Сидоров";
        QTest::newRow("quotes and semicolons") << "O'Brien; drop table accounts_dep.smena; --"
                                               << "Цех \"Б\""
                                               << "O'Brien; drop table accounts_dep.smena; --";
        QTest::newRow("double quotes") << "Д'Артаньян \"Шевалье\""
                                       << "Цех 1"
                                       << "Д'Артаньян \"Шевалье\"";
    }
    void workerSaveStoresNameAsTyped() {
        QFETCH(QString, typed);
        QFETCH(QString, department);
        QFETCH(QString, stored);
        db->exec("insert into cmn_department.department (s_caption) values ('Цех 1'), ('Цех \"Б\"')");
        const int existing = db->addWorker(QStringLiteral("Старый"), QStringLiteral("Склад"));
        form2->reopenLookups();
        form2->LCB_department->setKeyValue(
            department.isEmpty() ? QVariant()
                                 : db->scalar("select id from cmn_department.department where s_caption = :c",
                                              {{"c", department}}));
        QCOMPARE(form2->LCB_department->shownText(), department);

        const auto row = [this](int id) {
            QSqlQuery q(db->db());
            q.prepare("select fio, s_staffpos_hl from accounts_dep.person where id = :id");
            q.bindValue(":id", id);
            q.exec();
            q.next();
            return QStringList{q.value(0).toString(), q.value(1).toString()};
        };

        // A new worker.
        form2->Tag = WorkerCatalogue::NewWorker;
        form2->Edit1->setText(typed);
        form2->setResult(QDialog::Rejected);
        form2->Button1->click();
        QCOMPARE(form2->result(), int(QDialog::Accepted));
        const int added = db->scalar("select max(id) from accounts_dep.person").toInt();
        QCOMPARE(row(added), (QStringList{stored, department}));
        QCOMPARE(count("select count(*) from accounts_dep.person where s_staffpos_hl is null"), 0);

        // A change replaces the name and the department with what the dialog shows.
        form2->Tag = WorkerCatalogue::ChangeWorker;
        form2->PersonId = existing;
        form2->Button1->click();
        QCOMPARE(row(existing), (QStringList{stored, department}));
        QCOMPARE(shown->texts(), QStringList());
    }

    void incompleteEntryRefused_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("massa");
        QTest::addColumn<bool>("withClass");
        QTest::addColumn<QString>("message");
        const QString fio = WorkerCatalogue::EmptyNameMessage;
        const QString all = ProductCatalogue::IncompleteMessage;
        QTest::newRow("new worker, empty") << "workers" << 1 << ""
                                           << "" << false << fio;
        QTest::newRow("new worker, spaces") << "workers" << 1 << "   "
                                            << "" << false << fio;
        QTest::newRow("changed worker, spaces") << "workers" << 2 << " \t "
                                                << "" << false << fio;
        QTest::newRow("product, brand of spaces") << "products" << 1 << "   "
                                                  << "1" << true << all;
        QTest::newRow("product, no mass") << "products" << 1 << "Шина"
                                          << "" << true << all;
        QTest::newRow("product, mass of spaces") << "products" << 2 << "Шина"
                                                 << "  " << true << all;
        QTest::newRow("product, no class") << "products" << 2 << "Шина"
                                           << "1" << false << all;
        QTest::newRow("kind, empty") << "kinds" << 1 << ""
                                     << "" << false << KindCatalogue::IncompleteMessage;
        QTest::newRow("kind, spaces") << "kinds" << 2 << "  "
                                      << "" << false << KindCatalogue::IncompleteMessage;
    }
    void incompleteEntryRefused() {
        QFETCH(QString, dialog);
        QFETCH(int, tag);
        QFETCH(QString, name);
        QFETCH(QString, massa);
        QFETCH(bool, withClass);
        QFETCH(QString, message);
        const int cls = db->addClassItem(QStringLiteral("Класс"));
        const int worker = db->addWorker(QStringLiteral("Иванов"));
        db->addProduct(QStringLiteral("Колесо"), 2, cls);
        db->addKind(QStringLiteral("Сварка"));
        const QString rows = "select (select count(*) || string_agg(fio, ',') from accounts_dep.person) || "
                             "(select count(*) || string_agg(marka, ',') from accounts_dep.izdel) || "
                             "(select count(*) || string_agg(vid, ',') from accounts_dep.vid_oper)";
        const QString before = db->scalar(rows).toString();
        QDialog* w = nullptr;
        if (dialog == "workers") {
            form2->Tag = tag;
            form2->PersonId = worker;
            form2->Edit1->setText(name);
            w = form2.get();
        } else if (dialog == "products") {
            db->dm().Izdel.reopen();
            standOnText(db->dm().Izdel, "marka", "Колесо");
            form7->Tag = tag;
            form7->Edit1->setText(name);
            form7->Edit2->setText(massa);
            form7->item.reopen();
            form7->cb_item->setKeyValue(withClass ? QVariant(cls) : QVariant(0));
            w = form7.get();
        } else {
            db->dm().Vid_oper.reopen();
            standOnText(db->dm().Vid_oper, "vid", "Сварка");
            form9->Tag = tag;
            form9->Edit1->setText(name);
            w = form9.get();
        }
        w->setResult(QDialog::Rejected);
        w->findChild<QPushButton*>("Button1")->click();
        QCOMPARE(shown->texts(), QStringList{message});
        QCOMPARE(shown->shown[0].kind, ShownMessage::Error);
        QCOMPARE(shown->shown[0].caption, Caption::Error);
        QCOMPARE(w->result(), int(QDialog::Rejected)); // the dialog stays open
        QCOMPARE(db->scalar(rows).toString(), before);
    }

    void workerAddThroughTheList() {
        db->exec("insert into cmn_department.department (s_caption) values ('Цех 1'), ('Цех 2')");
        db->exec("insert into hrms_staffpos.staffpos (s_caption) values ('Слесарь')");
        db->exec("insert into adm_role.roles (s_caption) values ('Мастер')");
        db->addWorker(QStringLiteral("Андреев"));
        db->addWorker(QStringLiteral("Борисов"));
        form5->prepareCatalogue();
        db->dm().Workers.setRecNo(2);
        form2->Edit1->setText(QStringLiteral("осталось с прошлого раза"));
        ModalDriver drive(form2.get(), [&] {
            QCOMPARE(form2->windowTitle(), QStringLiteral("Заведение данных нового работника"));
            QCOMPARE(form2->Tag, WorkerCatalogue::NewWorker);
            QCOMPARE(form2->Edit1->text(), QString());
            QCOMPARE(form2->LCB_department->count(), 2);
            QCOMPARE(form2->LCB_staffpos->count(), 1);
            QCOMPARE(form2->LCB_roles->count(), 1);
            form2->LCB_department->setCurrentIndex(1);
            typeText(form2->Edit1, QStringLiteral(" Яковлев "));
            QTest::keyClick(form2->Edit1, Qt::Key_Return); // "Записать" is the default button
            QVERIFY(!form2->isVisible());
        });
        form5->Button1->click();
        QVERIFY(drive.ran());
        QCOMPARE(
            count(
                "select count(*) from accounts_dep.person where fio = 'Яковлев' and s_staffpos_hl = 'Цех 2'"),
            1);
        QCOMPARE(shownTexts(form5->DBGrid1, "fio"), (QStringList{"Андреев", "Борисов", "Яковлев"}));
        QCOMPARE(db->dm().Workers.recNo(), 1);
    }

    void workerChangeStandsOnTheSameRow_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("saved") << true << QStringList{"Андреев", "Воронов", "Яковлев"};
        QTest::newRow("cancelled") << false << QStringList{"Андреев", "Борисов  ", "Воронов"};
    }
    void workerChangeStandsOnTheSameRow() {
        QFETCH(bool, save);
        QFETCH(QStringList, names);
        db->exec("insert into cmn_department.department (s_caption) values ('Цех 1'), ('Цех 2')");
        db->addWorker(QStringLiteral("Андреев"));
        const int borisov = db->addWorker(QStringLiteral("Борисов  "), QStringLiteral("Цех 1"));
        db->addWorker(QStringLiteral("Воронов"));
        form2->reopenLookups();
        form2->LCB_department->setCurrentIndex(1); // chosen at an earlier showing
        form5->prepareCatalogue();
        db->dm().Workers.setRecNo(2);
        ModalDriver drive(form2.get(), [&] {
            QCOMPARE(form2->windowTitle(), QStringLiteral("Изменение данных работника"));
            QCOMPARE(form2->Tag, WorkerCatalogue::ChangeWorker);
            QCOMPARE(form2->PersonId, borisov);
            QCOMPARE(form2->Edit1->text(), QStringLiteral("Борисов"));
            // The lookup list is not set from the worker: it keeps its own entry.
            QCOMPARE(form2->LCB_department->shownText(), QStringLiteral("Цех 2"));
            form2->Edit1->setText(QStringLiteral("Яковлев"));
            (save ? form2->Button1 : form2->Button2)->click();
        });
        form5->Button2->click();
        QVERIFY(drive.ran());
        QCOMPARE(shownTexts(form5->DBGrid1, "fio"), names);
        QCOMPARE(db->dm().Workers.recNo(), 2);
        QCOMPARE(db->scalar("select s_staffpos_hl from accounts_dep.person where id = :id", {{"id", borisov}})
                     .toString(),
                 save ? QStringLiteral("Цех 2") : QStringLiteral("Цех 1"));
    }

    void workerDelete_data() {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("recNo");
        QTest::newRow("middle row") << true << 2 << QStringList{"Андреев", "Воронов"} << 2;
        QTest::newRow("last row: stands on the new last row")
            << true << 3 << QStringList{"Андреев", "Борисов"} << 2;
        QTest::newRow("answered No") << false << 2 << QStringList{"Андреев", "Борисов", "Воронов"} << 2;
    }
    void workerDelete() {
        QFETCH(bool, answer);
        QFETCH(int, row);
        QFETCH(QStringList, names);
        QFETCH(int, recNo);
        for (const char* n : {"Андреев", "Борисов", "Воронов"})
            db->addWorker(QString::fromUtf8(n));
        form5->prepareCatalogue();
        db->dm().Workers.setRecNo(row);
        shown->answers = {answer};
        form5->Button3->click();
        QCOMPARE(shown->texts(), QStringList{"Удалить работника?"});
        QCOMPARE(shown->shown[0].kind, ShownMessage::Question);
        QCOMPARE(shown->shown[0].caption, Caption::Delete);
        QCOMPARE(shownTexts(form5->DBGrid1, "fio"), names);
        QCOMPARE(db->dm().Workers.recNo(), recNo);
        QCOMPARE(count("select count(*) from accounts_dep.person"), qlonglong(names.size()));
        QCOMPARE(count("select count(*) from cmn_contractor.person"), 3); // the people stay known
    }

    void deleteRefusedByTheServer_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("table");
        QTest::newRow("worker") << "workers"
                                << "accounts_dep.worker_card";
        QTest::newRow("operation kind") << "kinds"
                                        << "accounts_dep.vid_oper";
    }
    void deleteRefusedByTheServer() {
        QFETCH(QString, listName);
        QFETCH(QString, table);
        const List l = list(listName);
        for (const char* n : {"Альфа", "Бета", "Гамма"})
            l.insert(QString::fromUtf8(n));
        QSqlQuery ddl(db->db());
        QVERIFY(ddl.exec("create function public.refuse_delete() returns trigger language plpgsql as "
                         "$$ begin raise exception 'Удаление запрещено'; end $$; "
                         "create trigger refuse_delete before delete on " +
                         table + " for each row execute function public.refuse_delete()"));
        struct Drop {
            QSqlDatabase db;
            QString table;
            ~Drop() {
                QSqlQuery(db).exec("drop trigger refuse_delete on " + table +
                                   "; drop function public.refuse_delete()");
            }
        } drop{db->db(), table};
        l.prepareCatalogue();
        const QStringList before = shownTexts(l.grid, l.field);
        l.query->setRecNo(2);
        shown->answers = {true};
        l.remove->click();
        QCOMPARE(shown->shown.size(), 2);
        QCOMPARE(shown->shown[1].kind, ShownMessage::Error);
        QCOMPARE(shown->shown[1].caption, Caption::Error);
        QVERIFY2(shown->shown[1].text.contains("Удаление запрещено"), qPrintable(shown->shown[1].text));
        QCOMPARE(shownTexts(l.grid, l.field), before);
        QCOMPARE(l.query->recNo(), 2);
    }

    void lookupListsKeepTheirEntry() {
        db->exec("insert into cmn_department.department (s_caption) values ('Цех 1'), ('Цех 2'), ('Цех 3')");
        form2->reopenLookups();
        for (LookupCombo* c : {form2->LCB_department, form2->LCB_staffpos, form2->LCB_roles})
            QCOMPARE(c->maxVisibleItems(), 10);
        QCOMPARE(form2->LCB_department->count(), 3);
        form2->LCB_department->setCurrentIndex(1);
        const QVariant key = form2->LCB_department->keyValue();
        QCOMPARE(
            key.toLongLong(),
            db->scalar("select id from cmn_department.department where s_caption = 'Цех 2'").toLongLong());
        form2->reopenLookups();
        QCOMPARE(form2->LCB_department->shownText(), QStringLiteral("Цех 2"));
        db->exec("update cmn_department.department set s_caption = 'Цех 2А' where s_caption = 'Цех 2'");
        form2->reopenLookups();
        QCOMPARE(form2->LCB_department->shownText(), QStringLiteral("Цех 2А"));
        db->exec("delete from cmn_department.department where s_caption = 'Цех 2А'");
        form2->reopenLookups();
        QCOMPARE(form2->LCB_department->shownText(), QString());
        QCOMPARE(form2->LCB_department->count(), 2);
    }

    void mouseWheelStepsTheFocusedList_data() {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("under");
        QTest::addColumn<int>("delta");
        QTest::addColumn<QList<int>>("indexes"); // department, staffpos, roles
        QTest::newRow("department, down") << "LCB_department"
                                          << "Form2" << -120 << QList<int>{2, 1, 1};
        QTest::newRow("staffpos, up") << "LCB_staffpos"
                                      << "Form2" << 120 << QList<int>{1, 0, 1};
        QTest::newRow("roles, up over itself") << "LCB_roles"
                                               << "LCB_roles" << 120 << QList<int>{1, 1, 0};
        QTest::newRow("roles, down over another list") << "LCB_roles"
                                                       << "LCB_department" << -120 << QList<int>{1, 1, 2};
        QTest::newRow("no list focused") << "Edit1"
                                         << "LCB_roles" << -120 << QList<int>{1, 1, 1};
    }
    void mouseWheelStepsTheFocusedList() {
        QFETCH(QString, focused);
        QFETCH(QString, under);
        QFETCH(int, delta);
        QFETCH(QList<int>, indexes);
        db->exec("insert into cmn_department.department (s_caption) values ('Цех 1'), ('Цех 2'), ('Цех 3')");
        db->exec("insert into hrms_staffpos.staffpos (s_caption) values ('Слесарь'), ('Токарь'), ('Мастер')");
        db->exec("insert into adm_role.roles (s_caption) values ('Р1'), ('Р2'), ('Р3')");
        form2->reopenLookups();
        const QList<LookupCombo*> lists{form2->LCB_department, form2->LCB_staffpos, form2->LCB_roles};
        for (LookupCombo* c : lists)
            c->setCurrentIndex(1);
        form2->show();
        form2->findChild<QWidget*>(focused)->setFocus();
        QCOMPARE(form2->focusWidget(), form2->findChild<QWidget*>(focused));
        QWidget* target = under == "Form2" ? form2.get() : form2->findChild<QWidget*>(under);
        QWheelEvent wheel(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
        form2->hide();
        QList<int> now;
        for (LookupCombo* c : lists)
            now << c->currentIndex();
        QCOMPARE(now, indexes);
    }

    // ---- Products ------------------------------------------------------------------------

    void productBrandCheck_data() {
        QTest::addColumn<QString>("changed"); // the product changed; empty for a new one
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        QTest::newRow("new, other case") << ""
                                         << "шина-а1" << true;
        QTest::newRow("new, upper case Cyrillic") << ""
                                                  << "ШИНА-А1" << true;
        QTest::newRow("new, surrounding spaces") << ""
                                                 << "  Шина-А1  " << true;
        QTest::newRow("new, free brand") << ""
                                         << "Шина-А2" << false;
        QTest::newRow("new, quote") << ""
                                    << "Шина 'А1'" << false;
        QTest::newRow("change keeps its brand") << "Шина-А1"
                                                << "Шина-А1" << false;
        QTest::newRow("change keeps its brand, other case") << "Шина-А1"
                                                            << " шИНА-а1 " << false;
        QTest::newRow("change to another's brand") << "Колесо"
                                                   << "шина-а1" << true;
    }
    void productBrandCheck() {
        QFETCH(QString, changed);
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        const int cls = db->addClassItem(QStringLiteral("Класс"));
        const QMap<QString, int> ids{{"Шина-А1", db->addProduct(QStringLiteral("Шина-А1"), 1, cls)},
                                     {"Колесо", db->addProduct(QStringLiteral("Колесо"), 1, cls)}};
        const QString brands = "select string_agg(marka, '|' order by id) from accounts_dep.izdel";
        const QString before = db->scalar(brands).toString();
        const bool isNew = changed.isEmpty();
        const bool saved = ProductCatalogue::save(
            db->dm(), isNew ? ProductCatalogue::NewProduct : ProductCatalogue::ChangeProduct,
            ids.value(changed), typed, QStringLiteral("1"), cls);
        QCOMPARE(saved, !refused);
        QCOMPARE(shown->texts(), refused ? QStringList{"Такая марка изделия уже заведена!"} : QStringList{});
        if (refused) {
            QCOMPARE(shown->shown[0].caption, Caption::Error);
            QCOMPARE(db->scalar(brands).toString(), before);
        } else {
            QCOMPARE(
                count("select count(*) from accounts_dep.izdel where marka = :m", {{"m", typed.trimmed()}}),
                1);
        }
    }

    void productSaveWritesTheGoodsRow_data() {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("brand");
        QTest::addColumn<QString>("massa");
        QTest::addColumn<QString>("storedBrand");
        QTest::addColumn<QString>("storedMassa");
        QTest::newRow("new") << 1 << "  Шина 'Б'; --  "
                             << "12.5"
                             << "Шина 'Б'; --"
                             << "12.500000";
        QTest::newRow("change, comma") << 2 << "Колесо \"Люкс\""
                                       << "7,25"
                                       << "Колесо \"Люкс\""
                                       << "7.250000";
        QTest::newRow("change, point") << 2 << "Колесо"
                                       << "8.125"
                                       << "Колесо"
                                       << "8.125000";
    }
    void productSaveWritesTheGoodsRow() {
        QFETCH(int, tag);
        QFETCH(QString, brand);
        QFETCH(QString, massa);
        QFETCH(QString, storedBrand);
        QFETCH(QString, storedMassa);
        const int oldClass = db->addClassItem(QStringLiteral("Старый"));
        const int cls = db->addClassItem(QStringLiteral("Новый"));
        const int existing = db->addProduct(QStringLiteral("Колесо"), 3, oldClass);
        db->exec("update cmn_gds_and_srv.gds_and_srv set s_description = 'описание', id_msm_bs = 1");
        QVERIFY(ProductCatalogue::save(db->dm(), tag, existing, brand, massa, cls));
        const int id =
            tag == 1 ? db->scalar("select max(id) from cmn_gds_and_srv.gds_and_srv").toInt() : existing;
        QSqlQuery q(db->db());
        q.prepare("select s_caption, s_description, id_msm_bs::int, massa::text, id_class_item::int "
                  "from cmn_gds_and_srv.gds_and_srv where id = :id");
        q.bindValue(":id", id);
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toString(), storedBrand);
        QCOMPARE(q.value(1).toString(), QString());
        QCOMPARE(q.value(2).toInt(), 6);
        QCOMPARE(q.value(3).toString(), storedMassa);
        QCOMPARE(q.value(4).toInt(), cls);
        QCOMPARE(count("select count(*) from cmn_gds_and_srv.gds_and_srv where id <> 7777"),
                 tag == 1 ? 2 : 1);
    }

    void productChangeThroughTheList_data() {
        QTest::addColumn<bool>("withClass");
        QTest::newRow("with a class") << true;
        QTest::newRow("without a class: refused until one is chosen") << false;
    }
    void productChangeThroughTheList() {
        QFETCH(bool, withClass);
        const int c1 = db->addClassItem(QStringLiteral("Диски"));
        const int c2 = db->addClassItem(QStringLiteral("Шины"));
        db->addProduct(QStringLiteral("Арка"), 1, c1);
        const int product = db->addProduct(QStringLiteral("Колесо  "), 12.5, withClass ? c2 : 0);
        db->addProduct(QStringLiteral("Обод"), 1, c1);
        form3->prepareCatalogue();
        standOnText(db->dm().Izdel, "marka", "Колесо  ");
        const int row = db->dm().Izdel.recNo();
        QCOMPARE(form3->DBGrid1->cellText(row - 1, "massa"), QStringLiteral("12.5"));
        ModalDriver drive(form7.get(), [&] {
            QCOMPARE(form7->windowTitle(), QStringLiteral("Изменение данных изделия (7)"));
            QCOMPARE(form7->Tag, ProductCatalogue::ChangeProduct);
            QCOMPARE(form7->Edit1->text(), QStringLiteral("Колесо"));
            QCOMPARE(form7->Edit2->text(), QStringLiteral("12.5")); // the tests run in the C locale
            QVERIFY(form7->item.isOpen());
            QCOMPARE(form7->cb_item->shownText(), withClass ? QStringLiteral("Шины") : QString());
            form7->Edit2->setText(QStringLiteral("13,75"));
            form7->Button1->click();
            if (!withClass) {
                QCOMPARE(shown->texts(), QStringList{ProductCatalogue::IncompleteMessage});
                QVERIFY(form7->isVisible());
                form7->cb_item->setCurrentIndex(form7->cb_item->findText(QStringLiteral("Шины")));
                form7->Button1->click();
            }
            QVERIFY(!form7->isVisible());
        });
        form3->Button2->click();
        QVERIFY(drive.ran());
        QVERIFY(!form7->item.isOpen());
        QCOMPARE(db->dm().Izdel.recNo(), row);
        QCOMPARE(
            db->scalar("select massa::text || ' ' || id_class_item from accounts_dep.izdel where id = :id",
                       {{"id", product}})
                .toString(),
            QStringLiteral("13.750000 %1").arg(c2));
    }

    void productAddThroughTheList() {
        db->addClassItem(QStringLiteral("Шины"));
        db->addClassItem(QStringLiteral("Диски"));
        db->addClassItem(QStringLiteral("Верхний уровень"), 1);
        db->addProduct(QStringLiteral("Арка"));
        db->addProduct(QStringLiteral("Обод"));
        form7->cb_item->setKeyValue(QVariant()); // nothing chosen yet
        form3->prepareCatalogue();
        db->dm().Izdel.setRecNo(2);
        form7->Edit2->setText(QStringLiteral("5"));
        ModalDriver drive(form7.get(), [&] {
            QCOMPARE(form7->windowTitle(), QStringLiteral("Заведение нового изделия (7)"));
            QCOMPARE(form7->Tag, ProductCatalogue::NewProduct);
            QCOMPARE(form7->Edit1->text(), QString());
            QCOMPARE(form7->Edit2->text(), QString());
            // Level-2 classes by caption.
            QStringList classes;
            for (int i = 0; i < form7->cb_item->count(); ++i)
                classes << form7->cb_item->itemText(i);
            QCOMPARE(classes, (QStringList{"Диски", "Шины"}));
            typeText(form7->Edit1, QStringLiteral("Втулка"));
            typeText(form7->Edit2, QStringLiteral("2,5"));
            form7->cb_item->setCurrentIndex(1);
            form7->Button1->click();
        });
        form3->Button1->click();
        QVERIFY(drive.ran());
        QCOMPARE(count("select count(*) from accounts_dep.izdel where marka = 'Втулка' and massa = 2.5 and "
                       "nom = 'Шины'"),
                 1);
        QCOMPARE(db->dm().Izdel.recNo(), 2); // the row it stood on
        // The class list keeps its class for the next new product.
        ModalDriver again(form7.get(),
                          [&] { QCOMPARE(form7->cb_item->shownText(), QStringLiteral("Шины")); });
        form3->Button1->click();
        QVERIFY(again.ran());
    }

    void priceKeyFilter_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        // The box holds "1" with the caret at its end.
        QTest::newRow("digit") << int(Qt::Key_5) << "5"
                               << "15";
        QTest::newRow("zero") << int(Qt::Key_0) << "0"
                              << "10";
        QTest::newRow("point") << int(Qt::Key_Period) << "."
                               << "1.";
        QTest::newRow("comma becomes a point") << int(Qt::Key_Comma) << ","
                                               << "1.";
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << ""
                                   << "";
        QTest::newRow("Latin letter") << int(Qt::Key_E) << "e"
                                      << "1";
        QTest::newRow("Cyrillic letter") << int(Qt::Key_unknown) << "б"
                                         << "1";
        QTest::newRow("space") << int(Qt::Key_Space) << " "
                               << "1";
        QTest::newRow("minus") << int(Qt::Key_Minus) << "-"
                               << "1";
        QTest::newRow("plus") << int(Qt::Key_Plus) << "+"
                              << "1";
        QTest::newRow("quote") << int(Qt::Key_Apostrophe) << "'"
                               << "1";
    }
    void priceKeyFilter() {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(QString, result);
        form7->Edit2->setText(QStringLiteral("1"));
        QTest::sendKeyEvent(QTest::Click, form7->Edit2, Qt::Key(key), text, Qt::NoModifier);
        QCOMPARE(form7->Edit2->text(), result);
    }

    void priceBoxSelectsAllWithCtrlA() {
        // Ctrl+A then a digit replaces the whole text, as in every text box.
        form7->Edit2->setText(QStringLiteral("12.5"));
        QTest::keyClick(form7->Edit2, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(form7->Edit2->selectedText(), QStringLiteral("12.5"));
        QTest::keyClick(form7->Edit2, '7');
        QCOMPARE(form7->Edit2->text(), QStringLiteral("7"));
    }

    void pricePasteKeepsDigitsAndPoint() {
        form7->Edit2->clear();
        QApplication::clipboard()->setText(QStringLiteral("12,5 кг"));
        form7->Edit2->paste();
        QCOMPARE(form7->Edit2->text(), QStringLiteral("12.5"));
    }

    void productDelete_data() {
        QTest::addColumn<bool>("operations");
        QTest::addColumn<bool>("lines");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("operationsLeft");
        QTest::addColumn<bool>("linesLeft");
        QTest::addColumn<bool>("productLeft");
        const QString ops = ProductCatalogue::OperationsQuestion;
        const QString lines = ProductCatalogue::LinesQuestion;
        const QString plain = ProductCatalogue::DeleteQuestion;
        using B = QList<bool>;
        QTest::newRow("both, Yes Yes")
            << true << true << B{true, true} << QStringList{ops, lines} << false << false << false;
        QTest::newRow("both, Yes No")
            << true << true << B{true, false} << QStringList{ops, lines} << false << true << true;
        QTest::newRow("both, No Yes")
            << true << true << B{false, true} << QStringList{ops, lines} << true << false << false;
        QTest::newRow("both, No No") << true << true << B{false, false} << QStringList{ops, lines} << true
                                     << true << true;
        QTest::newRow("operations, Yes Yes")
            << true << false << B{true, true} << QStringList{ops, plain} << false << false << false;
        QTest::newRow("operations, Yes No")
            << true << false << B{true, false} << QStringList{ops, plain} << false << false << true;
        QTest::newRow("operations, No Yes")
            << true << false << B{false, true} << QStringList{ops, plain} << true << false << false;
        QTest::newRow("lines, Yes") << false << true << B{true} << QStringList{lines} << false << false
                                    << false;
        QTest::newRow("lines, No") << false << true << B{false} << QStringList{lines} << false << true
                                   << true;
        QTest::newRow("neither, Yes")
            << false << false << B{true} << QStringList{plain} << false << false << false;
        QTest::newRow("neither, No") << false << false << B{false} << QStringList{plain} << false << false
                                     << true;
    }
    void productDelete() {
        QFETCH(bool, operations);
        QFETCH(bool, lines);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, questions);
        QFETCH(bool, operationsLeft);
        QFETCH(bool, linesLeft);
        QFETCH(bool, productLeft);
        const int worker = db->addWorker(QStringLiteral("Иванов"));
        const int kind = db->addKind(QStringLiteral("Сварка"));
        const int product = db->addProduct(QStringLiteral("Колесо"));
        const int other = db->addProduct(QStringLiteral("Обод"));
        const int oper = db->addOperation(kind, product, 0, {10});
        db->addLine(worker, db->addOperation(kind, other, 0, {5}), QDate::currentDate(), 1, 1, 0, 5, 8);
        if (lines) db->addLine(worker, oper, QDate::currentDate(), 1, 3, 0, 10, 8);
        if (!operations) db->exec("delete from accounts_dep.oper where id = :id", {{"id", oper}});
        form3->prepareCatalogue();
        standOnText(db->dm().Izdel, "marka", "Колесо");
        shown->answers = answers;
        form3->Button3->click();
        QCOMPARE(shown->texts(), questions);
        for (const ShownMessage& m : shown->shown)
            QCOMPARE(m.caption, Caption::Delete);
        const QMap<QString, QVariant> p{{"id", product}};
        QCOMPARE(count("select count(*) from accounts_dep.oper where i_id = :id", p) > 0, operationsLeft);
        QCOMPARE(count("select count(*) from accounts_dep.smena where i_id = :id", p) > 0, linesLeft);
        QCOMPARE(count("select count(*) from cmn_gds_and_srv.gds_and_srv where id = :id", p) > 0,
                 productLeft);
        // Another product's rows are never touched.
        QCOMPARE(count("select count(*) from accounts_dep.oper where i_id = :id", {{"id", other}}), 1);
        QCOMPARE(count("select count(*) from accounts_dep.smena where i_id = :id", {{"id", other}}), 1);
        // The list is read again whatever the answers.
        QCOMPARE(shownTexts(form3->DBGrid1, "marka").contains("Колесо"), productLeft);
    }

    void productDeleteCountsLinesFromTheYear2000_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("lineDate");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<bool>("counted");
        QTest::newRow("January, on the first day")
            << QDate(2025, 1, 15) << QDate(2000, 12, 1) << QDate(2000, 12, 1) << true;
        QTest::newRow("January, the day before")
            << QDate(2025, 1, 15) << QDate(2000, 11, 30) << QDate(2000, 12, 1) << false;
        QTest::newRow("March, on the first day")
            << QDate(2024, 3, 31) << QDate(2000, 2, 1) << QDate(2000, 2, 1) << true;
        QTest::newRow("March, the day before")
            << QDate(2024, 3, 31) << QDate(2000, 1, 31) << QDate(2000, 2, 1) << false;
        QTest::newRow("December, a recent line")
            << QDate(2024, 12, 1) << QDate(2024, 12, 1) << QDate(2000, 11, 1) << true;
    }
    void productDeleteCountsLinesFromTheYear2000() {
        QFETCH(QDate, today);
        QFETCH(QDate, lineDate);
        QFETCH(QDate, from);
        QFETCH(bool, counted);
        QCOMPARE(ProductCatalogue::journalCountStart(today), from);
        const int worker = db->addWorker(QStringLiteral("Иванов"));
        const int product = db->addProduct(QStringLiteral("Колесо"));
        const int oper = db->addOperation(db->addKind(QStringLiteral("Сварка")), product, 0, {10});
        db->addLine(worker, oper, lineDate, 1, 3, 0, 10, 8);
        db->exec("delete from accounts_dep.oper where id = :id", {{"id", oper}});
        shown->answers = {false};
        ProductCatalogue::remove(db->dm(), form3->Izdel_Smena, form3->ii_oper, product, today);
        QCOMPARE(shown->texts(),
                 QStringList{counted ? ProductCatalogue::LinesQuestion : ProductCatalogue::DeleteQuestion});
    }

    // ---- Operation kinds -----------------------------------------------------------------

    void kindSave_data() {
        QTest::addColumn<QString>("changed"); // the kind changed; empty for a new one
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        QTest::newRow("new, other case") << ""
                                         << "сварка" << true;
        QTest::newRow("new, spaces and upper case") << ""
                                                    << "  СВАРКА " << true;
        QTest::newRow("new, free name") << ""
                                        << "Сверловка" << false;
        QTest::newRow("new, quotes and semicolons") << ""
                                                    << "Резка \"по контуру\"; O'Hara --" << false;
        QTest::newRow("rename to its own name in another case") << "Сварка"
                                                                << "СВАРКА" << false;
        QTest::newRow("rename to its own name") << "Сварка"
                                                << " Сварка " << false;
        QTest::newRow("rename to another kind's name") << "Сварка"
                                                       << "покраска" << true;
        QTest::newRow("rename to another kind's name, upper case") << "Сварка"
                                                                   << "ПОКРАСКА " << true;
    }
    void kindSave() {
        QFETCH(QString, changed);
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        const int welding = db->addKind(QStringLiteral("Сварка"));
        db->addKind(QStringLiteral("Покраска"));
        const QString kinds = "select string_agg(vid, '|' order by id) from accounts_dep.vid_oper";
        const QString before = db->scalar(kinds).toString();
        Query& q = db->dm().Vid_oper;
        q.reopen();
        if (!changed.isEmpty()) QVERIFY(standOnText(q, "vid", changed));
        form9->Tag = changed.isEmpty() ? KindCatalogue::NewKind : KindCatalogue::ChangeKind;
        form9->Edit1->setText(typed);
        form9->setResult(QDialog::Rejected);
        form9->Button1->click();
        QCOMPARE(shown->texts(), refused ? QStringList{"Такая операция уже заведена!"} : QStringList{});
        QCOMPARE(form9->result(), int(refused ? QDialog::Rejected : QDialog::Accepted));
        if (refused) {
            QCOMPARE(shown->shown[0].caption, Caption::Error);
            QCOMPARE(db->scalar(kinds).toString(), before);
            return;
        }
        const QString name = typed.trimmed();
        QCOMPARE(count("select count(*) from accounts_dep.vid_oper where vid = :v", {{"v", name}}), 1);
        if (!changed.isEmpty())
            QCOMPARE(db->scalar("select vid from accounts_dep.vid_oper where id = :id", {{"id", welding}})
                         .toString(),
                     name);
        QCOMPARE(count("select count(*) from accounts_dep.vid_oper"), changed.isEmpty() ? 5 : 4);
        QVERIFY(shownTexts(form8->DBGrid1, "vid").contains(name)); // the list was read again
    }

    void kindAddAndChangeThroughTheList() {
        db->addKind(QStringLiteral("Сварка  "));
        form8->prepareCatalogue();
        QVERIFY(standOnText(db->dm().Vid_oper, "vid", "Сварка  "));
        ModalDriver change(form9.get(), [&] {
            QCOMPARE(form9->windowTitle(), QStringLiteral("Изменение данных вида операции"));
            QCOMPARE(form9->Tag, KindCatalogue::ChangeKind);
            QCOMPARE(form9->Edit1->text(), QStringLiteral("Сварка"));
            form9->Button2->click();
        });
        form8->Button2->click();
        QVERIFY(change.ran());
        ModalDriver add(form9.get(), [&] {
            QCOMPARE(form9->windowTitle(), QStringLiteral("Заведение нового вида операций"));
            QCOMPARE(form9->Tag, KindCatalogue::NewKind);
            QCOMPARE(form9->Edit1->text(), QString());
            typeText(form9->Edit1, QStringLiteral("Шлифовка"));
            QTest::keyClick(form9->Edit1, Qt::Key_Return);
        });
        form8->Button1->click();
        QVERIFY(add.ran());
        QCOMPARE(count("select count(*) from accounts_dep.vid_oper where vid = 'Шлифовка'"), 1);
        QVERIFY(shownTexts(form8->DBGrid1, "vid").contains("Шлифовка"));
    }

    void kindDelete_data() {
        QTest::addColumn<bool>("answer");
        QTest::newRow("Yes") << true;
        QTest::newRow("No: the list is not read again") << false;
    }
    void kindDelete() {
        QFETCH(bool, answer);
        db->addKind(QStringLiteral("Покраска"));
        const int welding = db->addKind(QStringLiteral("Сварка"));
        form8->prepareCatalogue();
        const QStringList before = shownTexts(form8->DBGrid1, "vid");
        QVERIFY(standOnText(db->dm().Vid_oper, "vid", "Сварка"));
        db->addKind(QStringLiteral("Резка")); // by another workstation
        shown->answers = {answer};
        form8->Button3->click();
        QCOMPARE(shown->texts(), QStringList{"Удалить вид операции?"});
        QCOMPARE(shown->shown[0].caption, Caption::Delete);
        QCOMPARE(count("select count(*) from accounts_dep.vid_oper where id = :id", {{"id", welding}}),
                 answer ? 0 : 1);
        const QStringList now = shownTexts(form8->DBGrid1, "vid");
        QCOMPARE(now.contains("Сварка"), !answer);
        QCOMPARE(now.contains("Резка"), answer);
        if (!answer) QCOMPARE(now, before);
    }

    void kindCatalogueAfterAPickShowsAllKinds() {
        db->addKind(QStringLiteral("Покраска"));
        db->addKind(QStringLiteral("Сварка"));
        ModalDriver pick(form8.get(), [&] {
            typeText(form8->Edit1, QStringLiteral("Св"));
            QCOMPARE(shownTexts(form8->DBGrid1, "vid"), QStringList{"Сварка"});
            form8->Button2->click();
        });
        form8->openPicker(1);
        QVERIFY(pick.ran());
        QVERIFY(form8->Edit1->isHidden());
        ModalDriver catalogue(form8.get(), [&] {
            QVERIFY(!db->dm().Vid_oper.isFiltered());
            QCOMPARE(db->dm().Vid_oper.recordCount(),
                     int(count("select count(*) from accounts_dep.vid_oper")));
            QVERIFY(form8->Edit1->isHidden());
            QCOMPARE(form8->Tag, 0);
        });
        form8->openCatalogue();
        QVERIFY(catalogue.ran());
        QVERIFY(!db->dm().Vid_oper.isOpen());
    }
};

QTEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
