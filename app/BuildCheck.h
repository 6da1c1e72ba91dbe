#pragma once
// The program's build against the newest build recorded in the database (accounts_dep.ver):
// a newer program raises the record, an older one tells the user and ends. The same check
// keeps the data module's decimal separator in step with the record.
#include <QString>

class DataModule6;
class Form1;

struct BuildStamp {
    int date = 0; // YYYYMMDD
    int time = 0; // seconds since midnight
    bool operator==(const BuildStamp&) const = default;
};

namespace BuildCheck {
// From the compiler's texts: date "Feb 22 2024" (the day padded with a space), time "14:59:32";
// "?" where the compiler did not know a part.
int buildDate(const QString& dateText);
int buildTime(const QString& timeText);

// The build this program is. Fixed from the compiler's texts of the program's own build;
// replaceable so that two programs of different builds can be played against one database.
BuildStamp current();
void setCurrent(const QString& dateText, const QString& timeText);
void setCurrent(BuildStamp stamp);

enum class Outcome { Same, Raised, Newer };
// Reads the record (adding it to an empty table), takes its delim into the data module,
// raises an older record to `build`. Newer means the database knows a newer program.
Outcome check(DataModule6& dm, BuildStamp build);

// The whole check of the main window: fills BuildDate and BuildTime, checks, and on a newer
// record starts the login window's close timer, shows the message, and ends the program.
// A lost connection is reported (by the caller's error guard) only when this check is the
// first to meet it: one message per outage, not one per tick.
void run(Form1& form);

inline const QString MismatchMessage =
    QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин.");
} // namespace BuildCheck
