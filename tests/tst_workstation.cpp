// The program at a workstation: Russian whatever the system locale (the tests run under
// LC_ALL=C.UTF-8), windows that use the screen and keep their sizes and column widths.
// Runs in the program's own application object, as the program does.
#include "app/Application.h"
#include "app/Form1.h"
#include "db/Instances.h"
#include "reports/ReportForm.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestWorkstation : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    const QDate march5{2024, 3, 5};

    // A journal window as the program makes it, showing 5 March 2024.
    std::unique_ptr<Form1> journal() {
        auto f = std::make_unique<Form1>();
        registerInstance(f.get());
        f->today = [d = march5] { return d; };
        return f;
    }
    void show(QWidget* w) {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCoreApplication::processEvents();
    }
    void close(std::unique_ptr<Form1>& f) {
        f->hide();
        unregisterInstance<Form1>();
        f.reset();
    }
    // Journal lines whose whole row the grid shows.
    static int wholeRowsShown(QTableView* grid) {
        int rows = 0;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            if (grid->visualRect(grid->model()->index(r, 0)).bottom() < grid->viewport()->height()) ++rows;
        return rows;
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("workstation");
        QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(1920, 1080));
    }
    void cleanupTestCase() { t.reset(); }
    void init() { workstationSettings()->clear(); }

    void theMaximisedJournalShowsMoreRows() {
        const int worker = t->addWorker("Орлов Павел Андреевич");
        const int oper = t->addOperation(t->addKind("Сборка"), t->addProduct("Стеллаж СТ-2000"), 0, {5});
        for (int i = 0; i < 90; ++i)
            t->addLine(worker, oper, march5, 1, i + 1, 0, 5, 1);
        auto f = journal();
        show(f.get());
        // The first start: the size of the layout, the grid below the top row.
        QCOMPARE(f->width(), 1281);
        QVERIFY2(qAbs(f->DBGrid2->height() - 523) <= 30, qPrintable(QString::number(f->DBGrid2->height())));
        const int atFirst = wholeRowsShown(f->DBGrid2);
        QVERIFY(f->windowFlags() & Qt::WindowMaximizeButtonHint);
        f->showMaximized();
        QTRY_VERIFY(f->height() > 1000);
        QCoreApplication::processEvents();
        const int maximised = wholeRowsShown(f->DBGrid2);
        QVERIFY2(maximised > atFirst + 20, qPrintable(QString("%1 -> %2").arg(atFirst).arg(maximised)));
        close(f);
        t->clearData();
    }

    void sizesAndWidthsAreKeptAfterARestart() {
        auto f = journal();
        show(f.get());
        const QSize firstSize = f->size();
        QCOMPARE(firstSize.width(), 1281);
        f->resize(1500, 800);
        QCoreApplication::processEvents();
        auto* header = f->DBGrid2->horizontalHeader();
        header->resizeSection(2, 320); // "Операция"
        close(f);
        // The next run: the same size and the same width.
        f = journal();
        show(f.get());
        QCOMPARE(f->size(), QSize(1500, 800));
        QCOMPARE(f->DBGrid2->columnWidth(2), 320);
        QCOMPARE(f->DBGrid2->columnWidth(0), 250); // untouched columns keep their widths
        // Maximised, it starts maximised.
        f->showMaximized();
        QTRY_VERIFY(f->isMaximized());
        close(f);
        f = journal();
        show(f.get());
        QVERIFY(f->isMaximized());
        close(f);
        // Kept in the user's tabel.conf, not under an "Unknown Organization".
        QCOMPARE(workstationSettings()->fileName(), TestDb::settingsFolder() + "/tabel.conf");
        QVERIFY(QFile::exists(TestDb::settingsFolder() + "/tabel.conf"));
        // Another workstation (no settings yet) starts at the first size.
        workstationSettings()->clear();
        f = journal();
        show(f.get());
        QCOMPARE(f->size(), firstSize);
        QCOMPARE(f->DBGrid2->columnWidth(2), 155);
        close(f);
    }

    void theOperationsWholeTextIsReadable() {
        const int worker = t->addWorker("Орлов Павел Андреевич");
        const QString longKind = "Окраска эмалью (краска ПФ-115 серая, в два слоя)";
        const int paint = t->addOperation(t->addKind(longKind), t->addProduct("Бак Б-1"), 0, {5});
        const int assembly = t->addOperation(t->addKind("Сборка"), t->addProduct("Бак Б-2"), 0, {5});
        t->addLine(worker, paint, march5, 1, 1, 0, 5, 1, "no", 1015);
        t->addLine(worker, assembly, march5, 1, 1, 0, 5, 1);
        auto f = journal();
        show(f.get());
        DbGrid* grid = f->DBGrid2;
        QCOMPARE(grid->cellText(0, "vid"), longKind);
        // A text the column cuts is shown whole in its tooltip; a text that fits has none.
        QCOMPARE(grid->toolTipAt(grid->model()->index(0, 2)), longKind);
        QCOMPARE(grid->toolTipAt(grid->model()->index(1, 2)), QString());
        close(f);
        t->clearData();
    }

    void tabLeavesTheGrids_data() {
        QTest::addColumn<QString>("window");
        for (const char* w : {"Form1", "Form5", "Form3", "Form8", "Form4", "Form19", "Form25", "Form27"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void tabLeavesTheGrids() {
        QFETCH(QString, window);
        t->addWorker("Орлов Павел Андреевич");
        createWindows();
        QWidget* w = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == window) w = top;
        QVERIFY(w);
        show(w);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        DbGrid* grid = nullptr;
        for (DbGrid* g : w->findChildren<DbGrid*>())
            if (!grid && g->isVisible()) grid = g;
        QVERIFY(grid);
        grid->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), grid);
        QTest::keyClick(grid, Qt::Key_Tab);
        QWidget* next = QApplication::focusWidget();
        QVERIFY2(next != grid && !grid->isAncestorOf(next), qPrintable(next ? next->objectName() : "none"));
        // In the journal, Tab from the lines reaches the buttons.
        if (window == "Form1") QCOMPARE(next->objectName(), QString("Button1")); // "Добавить"
        QTest::keyClick(next, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), grid);
        w->hide();
        destroyWindows();
        t->clearData();
    }

    void unlabelledControlsAreNamed_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::newRow("workers' search") << "Form5"
                                         << "Edit1"
                                         << "Поиск по ФИО";
        QTest::newRow("products' search") << "Form3"
                                          << "Edit1"
                                          << "Поиск по марке";
        QTest::newRow("operation kinds' search") << "Form8"
                                                 << "Edit1"
                                                 << "Поиск по операции";
        QTest::newRow("journal's date") << "Form1"
                                        << "DateT"
                                        << "Дата";
        QTest::newRow("product's class") << "Form7"
                                         << "cb_item"
                                         << "Класс";
        QTest::newRow("household hours") << "Form24"
                                         << "Edit6"
                                         << "Часы";
    }
    void unlabelledControlsAreNamed() {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, name);
        createWindows();
        QWidget* w = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == window) w = top;
        QVERIFY(w);
        auto* c = w->findChild<QWidget*>(control);
        QVERIFY(c);
        QCOMPARE(c->accessibleName(), name);
        // What names it is in view: its label, or the box's placeholder.
        bool seen = false;
        for (QLabel* l : w->findChildren<QLabel*>())
            seen = seen || (l->buddy() == c && l->text() == name);
        if (auto* box = qobject_cast<QLineEdit*>(c)) seen = seen || box->placeholderText() == name;
        QVERIFY(seen);
        destroyWindows();
    }

    void standardDialogsSpeakRussian() {
        QCOMPARE(QString::fromLocal8Bit(qgetenv("LC_ALL")), QString("C.UTF-8"));
        QPrintDialog print;
        QCOMPARE(print.windowTitle(), QString("Печать"));
        QFileDialog save(nullptr, QString(), QDir::tempPath());
        save.setOption(QFileDialog::DontUseNativeDialog);
        save.setAcceptMode(QFileDialog::AcceptSave);
        auto* fileName = save.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
        QVERIFY(fileName);
        QVERIFY2(fileName->text().contains(QStringLiteral("Имя файла")), qPrintable(fileName->text()));
        auto* lookIn = save.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        QVERIFY(lookIn);
        QVERIFY2(!lookIn->text().contains(QStringLiteral("Look")), qPrintable(lookIn->text()));
    }

    void datesAndNumbersAreRussian() {
        QCOMPARE(PeriodReport::title(QStringLiteral("Отчет с "), QDate(2026, 11, 1), QDate(2026, 12, 1)),
                 QString("Отчет с 01.11.2026 по 30.11.2026"));
        QCOMPARE(QLocale().standaloneMonthName(11), QString("ноябрь"));
        QCOMPARE(QLocale().toString(1551.72, 'f', 2), QString("1\u00a0551,72"));
    }
};

int main(int argc, char** argv) {
    // A screen of 1920 × 1080, as at the plant's bigger monitors.
    QTemporaryDir folder;
    QFile screens(folder.filePath("screens.json"));
    if (!screens.open(QIODevice::WriteOnly)) return 1;
    screens.write(R"({"screens": [{"name": "plant", "x": 0, "y": 0, "width": 1920, "height": 1080,
                      "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    TabelApplication app(argc, argv);
    TestWorkstation test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_workstation.moc"
