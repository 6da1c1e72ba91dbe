#pragma once
// Access roles: the code typed at the login decides the role, and the role decides which
// controls of the main window and of the summary reports window the user may use.
// The codes are kept only as salted hashes.
#include <QString>

class Form1;
class Form18;
class QWidget;

enum class Role { None, Full, Budget, Foreman, Depot };

namespace Access {
// The typed text without spaces and control characters at either end.
QString trimmed(const QString& typed);
// The role whose code equals the trimmed text exactly (letter case counts); None otherwise.
Role roleOfCode(const QString& typed);

// The role of this run, set by an accepted login; None before.
Role current();
void setCurrent(Role role);

// Enables and disables the main window's controls for the role. A control whose window
// does not exist in this build stays disabled whatever the role.
void applyToJournal(Role role, Form1& form);
// Disables the summary reports window's controls that the role may not use: the foremen and
// the warehouse keep only "Детальный отчет по продукции" and "Выход"; the warehouse sees
// finished product only. Also applied by applyToJournal when the window exists.
void applyToReports(Role role, Form18& form);
// The role's code as the database extension records it ("full", "office", "masters",
// "warehouse"; never the login codes themselves).
QString code(Role role);
// Whether the role may confirm journal lines by double click.
bool mayConfirm(Role role);
} // namespace Access
