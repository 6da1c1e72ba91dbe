#pragma once
// Start-up of the program: the toolkit, the message boxes, the data module and its
// connection, every window created once and registered, then the login.
#include <QApplication>
#include <QStringList>

class TabelApplication : public QApplication {
public:
    TabelApplication(int& argc, char** argv);
    // An error that escapes an event handler is shown in one error box; the program goes on.
    bool notify(QObject* receiver, QEvent* event) override;
};

// Makes the program Russian whatever the system locale: the default QLocale, and Qt's own
// Russian translations for the standard dialogs. False when the translations are missing.
bool speakRussian(QCoreApplication& app);

// The program after the toolkit is up: connects with the command line's database and
// server, creates the windows, runs them; returns the exit status.
int runTabel(const QStringList& arguments);

// Creates every window once, in the start-up order, and registers it; connects the menus
// of the main window to the windows that exist.
void createWindows();
void destroyWindows();

inline const QString NoConnectionMessage = QStringLiteral("Подключение к БД отсутсвует!!!");
