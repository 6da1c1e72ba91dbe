#pragma once
// The product catalogue's work on the database: products are read through the view
// accounts_dep.izdel and written to the enterprise goods table behind it.
#include <QDate>
#include <QString>
#include <QVariant>

class DataModule6;
class Query;

namespace ProductCatalogue {

inline const QString IncompleteMessage = QStringLiteral("Все поля должны быть заполнены!");
inline const QString DuplicateMessage = QStringLiteral("Такая марка изделия уже заведена!");
inline const QString OperationsQuestion = QStringLiteral("По изделию есть расценки они будут удалены!!!");
inline const QString LinesQuestion = QStringLiteral(
    "По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут удалены. Удалить изделие? ");
inline const QString DeleteQuestion = QStringLiteral("Удалить изделие? ");
inline const QString MassaMessage =
    QStringLiteral("Расценка должна быть числом: не больше 12 цифр до точки и 6 после неё.");

// Dialog modes.
constexpr int NewProduct = 1;
constexpr int ChangeProduct = 2;

// Statements of the list's count queries Izdel_Smena (parameters id_ii, dt) and ii_oper (id_ii).
QString izdelSmenaSql();
QString iiOperSql();

// The mass as the dialog shows it: the workstation's number format, shortest form, no digit
// grouping; empty for no value.
QString massaText(const QVariant& massa);

// True when another product has this brand, letter case ignored (Cyrillic included); then
// the refusal is shown. A change (exceptId > 0) leaves its own product out.
bool brandTaken(DataModule6& dm, const QString& brand, int exceptId);

// Writes a product: a new one (tag NewProduct) or the change of product `id` (any other tag).
// The brand is stored trimmed, the mass of a new product as typed and of a change through the
// data module's decimal conversion, the class as chosen; the description is always empty and
// the unit of measure 6. A missing field or a taken brand is refused with its message and
// nothing is written. True when written.
bool save(DataModule6& dm, int tag, int id, const QString& typedBrand, const QString& typedMassa,
          qlonglong classId);

// The first day from which the delete counts a product's journal lines: the first day of the
// previous month (December for January) of the year 2000.
QDate journalCountStart(const QDate& today);

// Deletes product `id` with the questions that protect its priced operations and journal
// lines, each statement on its own after its question; `izdelSmena` and `iiOper` are the
// list's count queries.
void remove(DataModule6& dm, Query& izdelSmena, Query& iiOper, int id, const QDate& today);

} // namespace ProductCatalogue
