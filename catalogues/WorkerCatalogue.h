#pragma once
// The worker catalogue's work on the database: the rows of accounts_dep.person, which the
// view keeps together with the enterprise person and the worker card.
#include <QString>

class Command;

namespace WorkerCatalogue {

inline const QString EmptyNameMessage = QStringLiteral("ФИО нужно заполнить!");
inline const QString DeleteQuestion = QStringLiteral("Удалить работника?");

// Dialog modes.
constexpr int NewWorker = 1;
constexpr int ChangeWorker = 2;

// Writes the worker through `command`: a new one (tag NewWorker) or the change of worker
// `personId` (any other tag), with the name trimmed and the department text as shown.
// A name of spaces only is refused with EmptyNameMessage and nothing is written.
// True when written.
bool save(Command& command, int tag, int personId, const QString& typedName, const QString& department);
// Deletes the worker (his card; the enterprise person stays).
void remove(Command& command, int personId);

} // namespace WorkerCatalogue
