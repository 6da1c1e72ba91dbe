#include "catalogues/OperationCatalogue.h"

#include "db/DataModule6.h"
#include "db/Messages.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "spreadsheet/ExcelExport.h"

#include <QLocale>
#include <QSqlQuery>

namespace OperationCatalogue {

QString outputName(int naimen) {
    return naimen == 0 ? QStringLiteral("Готовая продукция") : QStringLiteral("Заготовки");
}

QString xlsRepSql() {
    return QStringLiteral(
        "select izdel.MARKA, vid_oper.VID, oper.NAIMEN,(SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' "
        "ELSE 'Заготовки' END)) as nmn, oper.CENA_new as cena, oper.id, oper.i_id,\n"
        " oper.VID as oper_vid from accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_OPER where "
        "OPER.i_id=IZDEL.id \n"
        "and oper.vid=vid_oper.id order by izdel.marka, vid_oper.vid, oper.naimen");
}

namespace {
qlonglong scalar(DataModule6& dm, const QString& sql, const QMap<QString, QVariant>& params) {
    QSqlQuery q(dm.ADO_DB());
    execBound(q, sql, params);
    return q.next() ? q.value(0).toLongLong() : 0;
}
} // namespace

qlonglong normsOf(DataModule6& dm, int id) {
    return scalar(dm, QStringLiteral("select count(*) from accounts_dep.norm where o_id=:id"),
                  {{QStringLiteral("id"), id}});
}

qlonglong linesOf(DataModule6& dm, int id) {
    return scalar(dm, QStringLiteral("select count(*) from accounts_dep.smena where o_id=:id"),
                  {{QStringLiteral("id"), id}});
}

Saved save(DataModule6& dm, int tag, int currentId, const QString& product, const QString& kind, int izdelId,
           int vidId, int naimen) {
    if (product.trimmed().isEmpty() || kind.trimmed().isEmpty()) {
        messages().error(Caption::Error, IncompleteMessage);
        return {Saved::Refused};
    }
    const bool isNew = tag == NewOperation;
    QSqlDatabase db = dm.ADO_DB();
    QMap<QString, QVariant> key{
        {QStringLiteral("k"), vidId}, {QStringLiteral("n"), naimen}, {QStringLiteral("p"), izdelId}};
    // Runs in the transaction; a refusal returns before the commit, so nothing is held while
    // the user reads the message.
    const Saved saved = [&]() -> Saved {
        Transaction t(db);
        lockKey(db, LockSpace::Operation, QStringLiteral("%1/%2/%3").arg(vidId).arg(naimen).arg(izdelId));
        QSqlQuery same(db);
        QString sql =
            QStringLiteral("select id from accounts_dep.OPER where vid=:k and naimen=:n and i_id=:p");
        auto params = key;
        if (!isNew) {
            sql += QStringLiteral(" and id<>:id");
            params.insert(QStringLiteral("id"), currentId);
        }
        execBound(same, sql + QStringLiteral(" order by id"), params);
        if (same.next()) {
            const int existing = same.value(0).toInt();
            // A new operation that exists already but has no norm is invisible in the list:
            // rather than refuse it, its norms are opened so it gets one.
            if (isNew && normsOf(dm, existing) == 0) return {Saved::ExistsWithoutNorms, existing};
            return {Saved::Refused};
        }
        QSqlQuery write(db);
        int id = currentId;
        if (isNew) {
            execBound(
                write,
                QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, cena_new)values (:k, :n, "
                               ":p, 0) returning id"),
                key);
            id = write.next() ? write.value(0).toInt() : 0;
        } else {
            params.insert(QStringLiteral("id"), currentId);
            execBound(write,
                      QStringLiteral("update accounts_dep.oper set vid=:k, naimen=:n,  i_id=:p where id=:id"),
                      params);
        }
        t.commit();
        return {Saved::Written, id};
    }();
    if (saved.result == Saved::Refused) messages().error(Caption::Error, DuplicateMessage);
    if (saved.result == Saved::ExistsWithoutNorms)
        messages().information(Caption::Error, WithoutNormsMessage);
    return saved;
}

bool remove(DataModule6& dm, int id) {
    if (!messages().question(Caption::Delete, DeleteQuestion)) return false;
    if (const qlonglong lines = linesOf(dm, id); lines > 0) {
        messages().error(Caption::Error, UsedInJournalMessage.arg(lines));
        return false;
    }
    dm.Oper_del.clearParams();
    dm.Oper_del.setSql(QStringLiteral("delete from accounts_dep.oper where id=:id"));
    dm.Oper_del.setParam(QStringLiteral("id"), id);
    dm.Oper_del.exec();
    return true;
}

bool exportAll(Query& xlsRep, ExcelExport& excel) {
    xlsRep.reopen();
    struct Close {
        Query& q;
        ~Close() { q.close(); }
    } close{xlsRep};
    if (excel.OpenExcel(QString()) == -1) return false;
    xlsRep.first();
    const QString titles[] = {QStringLiteral("Марка"), QStringLiteral("Операция"), QStringLiteral("Цена"),
                              QStringLiteral("Вид")};
    for (int c = 0; c < 4; ++c)
        excel.WriteCell(1, c + 1, 1, titles[c]);
    const int marka = xlsRep.fieldIndex(QStringLiteral("marka"));
    const int vid = xlsRep.fieldIndex(QStringLiteral("vid"));
    const int cena = xlsRep.fieldIndex(QStringLiteral("cena"));
    const int naimen = xlsRep.fieldIndex(QStringLiteral("naimen"));
    const QLocale locale;
    for (int i = 0; i < xlsRep.recordCount(); ++i) {
        const int row = i + 2;
        excel.WriteCell(1, 1, row, xlsRep.value(i, marka).toString());
        excel.WriteCell(1, 2, row, xlsRep.value(i, vid).toString());
        const QVariant price = xlsRep.value(i, cena);
        excel.WriteCell(1, 3, row, locale.toString(price.isNull() ? 0.0 : price.toDouble(), 'g', 15));
        excel.WriteCell(1, 4, row, outputName(xlsRep.value(i, naimen).toInt()));
    }
    excel.SetExcelVisible(true);
    return true;
}

} // namespace OperationCatalogue
