#include "app/Application.h"

#include "spreadsheet/ExcelExport.h"

#include "app/Form1.h"
#include "app/Form23.h"
#include "catalogues/Form10.h"
#include "catalogues/Form2.h"
#include "catalogues/Form22.h"
#include "catalogues/Form26.h"
#include "catalogues/Form3.h"
#include "catalogues/Form4.h"
#include "catalogues/Form5.h"
#include "catalogues/Form7.h"
#include "catalogues/Form8.h"
#include "catalogues/Form9.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "forms/MessageBoxes.h"
#include "forms/WaitWindow.h"
#include "journal/ChangesForm.h"
#include "journal/Form11.h"
#include "journal/Journal.h"
#include "reports/Form15.h"
#include "reports/Form16.h"
#include "reports/Form17.h"
#include "reports/Form18.h"
#include "reports/Form20.h"
#include "reports/Form21.h"
#include "timesheets/Form19.h"
#include "timesheets/Form24.h"
#include "timesheets/Form25.h"
#include "timesheets/Form27.h"
#include "timesheets/MonthCloseForm.h"

#include <functional>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

TabelApplication::TabelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The windows are laid out for Tahoma 8 pt; Liberation Sans stands in where it is missing.
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    setFont(font);
    setApplicationName(QStringLiteral("tabel"));
    speakRussian(*this);
    // Icon_1 for every window, one image per size (:/Icon_1/16.png ...); the desktop entry of
    // the same name gives the task bar the icon under Wayland too.
    QIcon icon;
    for (const QFileInfo& size : QDir(QStringLiteral(":/Icon_1")).entryInfoList(QDir::Files))
        icon.addFile(size.filePath());
    setWindowIcon(icon);
    setDesktopFileName(QStringLiteral("tabel"));
}

bool speakRussian(QCoreApplication& app) {
    // Dates, numbers and month names the Russian way, whatever the workstation's locale; and
    // the toolkit's own dialogs (print, file, colour) in Russian.
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);
    auto* qt = new QTranslator(&app);
    if (qt->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(qt);
        return true;
    }
    delete qt;
    return false;
}

bool TabelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showUncaught(e);
    }
    return false;
}

namespace {
// The windows in the order they were created; destroyed in the opposite order.
QList<std::function<void()>> destroyers;

template <class T> T* create() {
    auto* w = new T;
    registerInstance(w);
    destroyers.prepend([] {
        delete instanceOf<T>();
        unregisterInstance<T>();
    });
    return w;
}
} // namespace

// Connects a menu item to the window it opens; the item is enabled from then on (as far as
// the role allows).
template <class T> void opens(Form1& main, QAction* item, void (T::*open)()) {
    main.unavailable.remove(item);
    item->setEnabled(true);
    QObject::connect(item, &QAction::triggered, &main, [open] { guarded([open] { (the<T>().*open)(); }); });
}

void createWindows() {
    Form1& main = *create<Form1>();
    create<Form23>();
    create<Form2>();
    create<Form3>();
    create<Form5>();
    create<Form7>();
    create<Form8>();
    create<Form9>();
    create<Form4>();
    create<Form10>();
    create<Form22>();
    create<Form26>();
    create<Form11>();
    create<Form15>();
    create<Form16>();
    create<Form17>();
    create<Form20>();
    create<Form21>();
    create<Form18>();
    create<Form19>();
    create<Form24>();
    create<Form25>();
    create<Form27>();
    create<MonthCloseForm>();
    create<ChangesForm>();

    opens(main, main.N1, &Form5::openCatalogue);
    opens(main, main.N3, &Form3::openCatalogue);
    opens(main, main.N6, &Form8::openCatalogue);
    opens(main, main.N4, &Form4::openCatalogue);
    opens(main, main.N10, &Form18::openWithDefaultPeriod);
    // The timesheet by time opens on the month of the journal's date.
    main.unavailable.remove(main.N13);
    main.N13->setEnabled(true);
    QObject::connect(main.N13, &QAction::triggered, &main,
                     [&main] { guarded([&main] { the<Form19>().openMonth(main.DateT->date()); }); });
    opens(main, main.N9, &Form27::openPiecework);
    opens(main, main.N14, &Form27::openHousehold);
    opens(main, main.N15, &Form27::openAveragePieceRate);
    opens(main, main.N17, &Form27::openGeneral);
    // Month close and the journal of changes need the database extension; without it the
    // items stay disabled and their tooltip says how to install it.
    if (Extension::current().usable()) {
        opens(main, main.NMonthClose, &MonthCloseForm::openWindow);
        main.unavailable.remove(main.NChanges);
        main.NChanges->setEnabled(true);
        for (QAction* a : {main.NMonthClose, main.NChanges})
            a->setToolTip(QString());
        QObject::connect(main.NChanges, &QAction::triggered, &main, [&main] {
            guarded([&main] { the<ChangesForm>().openPeriod(main.DateT->date()); });
        });
    }
    // "Ср.сд./хоз. работы" opens the household works list on the journal's date.
    main.unavailable.remove(main.Button5);
    main.Button5->setEnabled(true);
    QObject::connect(main.Button5, &QPushButton::clicked, &main,
                     [&main] { guarded([&main] { the<Form25>().openForDate(main.DateT->date()); }); });
}

void destroyWindows() {
    for (auto& destroy : destroyers)
        destroy();
    destroyers.clear();
}

int runTabel(const QStringList& arguments) {
    // TABEL_MESSAGES=stderr writes the messages to the error stream instead of showing
    // boxes (questions are answered No): for scripted runs of the real program.
    static MessageBoxes boxes;
    if (qEnvironmentVariable("TABEL_MESSAGES") != QLatin1String("stderr")) setMessages(&boxes);

    auto* dm = new DataModule6;
    registerInstance(dm);
    // Workbooks of earlier runs: the spreadsheet application has long let go of them.
    ExcelExport::removeOldWorkbooks();
    QString connectError;
    if (!dm->connectTo(ConnectionSettings::fromArguments(arguments), &connectError)) {
        // One box: the start's own words, and where the reason is known, what to check (never
        // the server's English text).
        const QString why = ConnectFailure::explain(connectError);
        messages().error(Caption::StartupError, why.isEmpty()
                                                    ? NoConnectionMessage
                                                    : NoConnectionMessage + QStringLiteral("\n\n") + why);
        unregisterInstance<DataModule6>();
        delete dm;
        return 1;
    }
    for (int shift = 1; shift <= 4; ++shift)
        dm->smenaQuery(shift).setParam(QStringLiteral("ok"), Journal::HiddenMark);
    // The optional extension: detected, never created by a normal start.
    guarded([dm] {
        const Extension::Status ext = Extension::detect(dm->ADO_DB());
        if (ext.older())
            messages().information(
                QStringLiteral("Табель"),
                Extension::OlderVersionMessage.arg(ext.version).arg(Extension::RequiredVersion));
    });
    WaitWindow::install();
    createWindows();
    the<Form23>().show();
    const int status = QApplication::exec();
    destroyWindows();
    WaitWindow::uninstall();
    unregisterInstance<DataModule6>();
    delete dm;
    return status;
}
