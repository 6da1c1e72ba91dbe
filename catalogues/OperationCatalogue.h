#pragma once
// The priced operations' work on the database: an operation is a kind applied to a product
// for one kind of output (0 finished product, 1 blanks); its prices are its norms.
#include <QString>

class DataModule6;
class ExcelExport;
class Query;

namespace OperationCatalogue {

inline const QString IncompleteMessage = QStringLiteral("Все поля должны быть заполнены!");
inline const QString DuplicateMessage = QStringLiteral("Операция с такими параметрами уже заведена!");
inline const QString DeleteQuestion = QStringLiteral("Удалить операцию?");
inline const QString UsedInJournalMessage =
    QStringLiteral("По операции есть позиции в журнале (%1): удалить её нельзя.");
inline const QString WithoutNormsMessage = QStringLiteral(
    "Операция с такими параметрами уже заведена, но у неё нет ни одного норматива, поэтому её нет в "
    "списке. Откроются её нормативы.");
inline const QString NoPriceMessage = QStringLiteral(
    "У операции нет норматива с ценой, поэтому выбрать её для строки нельзя. Цену заводят в нормативах "
    "операции («Цены» в списке операций).");

// Dialog modes.
constexpr int NewOperation = 1;
constexpr int ChangeOperation = 2;

// The two kinds of output, as the lists and the dialog name them; index = naimen.
QString outputName(int naimen);

// The spreadsheet query XLS_Rep: every operation, with or without norms, and its cena_new.
QString xlsRepSql();

struct Saved {
    enum Result {
        Written,            // `id` is the operation written
        Refused,            // incomplete or a duplicate; the message was shown
        ExistsWithoutNorms, // a new operation that exists already without norms: `id` is it
    } result;
    int id = 0;
};

// Writes an operation: a new one (tag NewOperation; cena_new 0) or the change of operation
// `currentId` (any other tag; cena_new untouched). Refuses an empty product or kind (an
// empty text in `product` or `kind`) and a duplicate (the same kind, kind of output and
// product in another operation). The duplicate count and the write are one transaction,
// serialised on the operation's key, so two workstations cannot both add the same operation.
Saved save(DataModule6& dm, int tag, int currentId, const QString& product, const QString& kind, int izdelId,
           int vidId, int naimen);

// The number of journal lines that use the operation.
qlonglong linesOf(DataModule6& dm, int id);
// Deletes the operation through Oper_del after the question; an operation that journal lines
// use is refused (its lines would drop out of the journal and the reports). Its norms stay.
// True when deleted.
bool remove(DataModule6& dm, int id);

// Writes every row of `xlsRep` (opened here, closed after) to a new workbook of `excel`:
// "Марка", "Операция", "Цена", "Вид", one row per operation, 0 where an operation has no
// price. False when no spreadsheet
// could be opened (already reported).
bool exportAll(Query& xlsRep, ExcelExport& excel);

// The number of norms of an operation.
qlonglong normsOf(DataModule6& dm, int id);

} // namespace OperationCatalogue
