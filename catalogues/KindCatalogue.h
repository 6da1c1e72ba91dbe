#pragma once
// The operation kind catalogue's work on the database: the rows of accounts_dep.vid_oper,
// written row by row by their id.
#include <QString>

class DataModule6;

namespace KindCatalogue {

inline const QString IncompleteMessage = QStringLiteral("Все поля должны быть заполнены!");
inline const QString DuplicateMessage = QStringLiteral("Такая операция уже заведена!");
inline const QString DeleteQuestion = QStringLiteral("Удалить вид операции?");

// Dialog modes.
constexpr int NewKind = 1;
constexpr int ChangeKind = 2;

// True when another kind has this name, letter case ignored (Cyrillic included); then the
// refusal is shown. A change (exceptId > 0) leaves its own kind out.
bool nameTaken(DataModule6& dm, const QString& name, int exceptId);
// Writes a kind: a new one (tag NewKind; the database gives its id) or the new name of kind
// `id` (any other tag), trimmed. An empty or taken name is refused with its message and
// nothing is written. True when written.
bool save(DataModule6& dm, int tag, int id, const QString& typedName);
// Deletes kind `id`; the priced operations that use it are not looked at.
void remove(DataModule6& dm, int id);

} // namespace KindCatalogue
