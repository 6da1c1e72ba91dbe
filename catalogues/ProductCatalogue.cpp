#include "catalogues/ProductCatalogue.h"

#include "db/Changes.h"
#include "db/DataModule6.h"
#include "db/Messages.h"
#include "db/Transaction.h"

#include <QLocale>
#include <QRegularExpression>

namespace ProductCatalogue {

QString izdelSmenaSql() {
    return QStringLiteral(
        "select count(*) as cnt from accounts_dep.smena s where s.i_id =:id_ii and s.\"data\">=:dt");
}

QString iiOperSql() {
    return QStringLiteral("select count(*) as cnt from accounts_dep.oper o where o.i_id =:id_ii");
}

QString massaText(const QVariant& massa) {
    if (!massa.isValid() || massa.isNull()) return {};
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    if (massa.metaType().id() != QMetaType::QString)
        return locale.toString(massa.toDouble(), 'f', QLocale::FloatingPointShortest);
    // A numeric column arrives as its exact text ("12.500000"): keep every digit, drop the
    // trailing zeros, and write the decimal separator of the workstation.
    QString text = massa.toString().trimmed();
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
        text.replace(QLatin1Char('.'), locale.decimalPoint());
    }
    return text;
}

bool brandTaken(DataModule6& dm, const QString& brand, int exceptId) {
    QMap<QString, QVariant> params{{QStringLiteral("brand"), brand.toUpper()}};
    QString sql = QStringLiteral("select count(*) as cnt from accounts_dep.izdel where upper(marka)=:brand");
    if (exceptId > 0) {
        sql += QStringLiteral(" and id<>:id");
        params.insert(QStringLiteral("id"), exceptId);
    }
    return dm.CountCheck(sql, DuplicateMessage, params);
}

bool save(DataModule6& dm, int tag, int id, const QString& typedBrand, const QString& typedMassa,
          qlonglong classId) {
    const QString brand = typedBrand.trimmed();
    if (brand.isEmpty() || typedMassa.trimmed().isEmpty() || classId == 0) {
        messages().error(Caption::Error, IncompleteMessage);
        return false;
    }
    // The mass column is numeric(18, 6): a text that is no such number is refused here, in
    // words, rather than by the server.
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,12}([.,][0-9]{0,6})?$"));
    if (!number.match(typedMassa.trimmed()).hasMatch()) {
        messages().error(Caption::Error, MassaMessage);
        return false;
    }
    const bool isNew = tag == NewProduct;
    if (brandTaken(dm, brand, isNew ? 0 : id)) return false;

    Command& cmd = dm.SQL_exec;
    cmd.clearParams();
    if (isNew) {
        cmd.setSql(
            QStringLiteral("INSERT INTO cmn_gds_and_srv.gds_and_srv(s_caption, s_description, id_msm_bs, "
                           "massa, id_class_item)VALUES(:brand, '', 6, :massa, :cls)"));
        cmd.setParam(QStringLiteral("massa"), typedMassa);
    } else {
        cmd.setSql(
            QStringLiteral("UPDATE cmn_gds_and_srv.gds_and_srv SET s_caption=:brand, s_description='', "
                           "id_msm_bs=6, massa=:massa, id_class_item=:cls where id=:id"));
        cmd.setParam(QStringLiteral("massa"), dm.DecimalToDb(typedMassa));
        cmd.setParam(QStringLiteral("id"), id);
    }
    cmd.setParam(QStringLiteral("brand"), brand);
    cmd.setParam(QStringLiteral("cls"), classId);
    cmd.exec();
    return true;
}

QDate journalCountStart(const QDate& today) {
    const int month = today.month() == 1 ? 13 : today.month();
    return QDate(2000, month - 1, 1);
}

namespace {
qlonglong count(Query& query, int id, const QDate* from) {
    query.close();
    query.setParam(QStringLiteral("id_ii"), id);
    if (from) query.setParam(QStringLiteral("dt"), *from);
    query.open();
    const qlonglong n = query.field(QStringLiteral("cnt")).toLongLong();
    query.close();
    return n;
}

void run(DataModule6& dm, const QString& sql, int id) {
    dm.DelSmena.clearParams();
    dm.DelSmena.setSql(sql);
    dm.DelSmena.setParam(QStringLiteral("id"), id);
    dm.DelSmena.exec();
}

const QString DeleteProductSql = QStringLiteral("delete from cmn_gds_and_srv.gds_and_srv  where id=:id");
} // namespace

void remove(DataModule6& dm, Query& izdelSmena, Query& iiOper, int id, const QDate& today) {
    const QDate from = journalCountStart(today);
    const qlonglong lines = count(izdelSmena, id, &from);
    const qlonglong operations = count(iiOper, id, nullptr);

    if (operations > 0 && messages().question(Caption::Delete, OperationsQuestion))
        run(dm, QStringLiteral("delete from accounts_dep.oper o where o.i_id =:id"), id);

    if (lines > 0) {
        if (!messages().question(Caption::Delete, LinesQuestion)) return;
        // The journal lines go only together with their product: a product the database
        // refuses to delete keeps its lines.
        Transaction t(dm.ADO_DB());
        run(dm, QStringLiteral("delete from accounts_dep.smena s where s.i_id =:id"), id);
        run(dm, DeleteProductSql, id);
        Changes::note(dm.ADO_DB(), Changes::anyJournal());
        t.commit();
    } else if (messages().question(Caption::Delete, DeleteQuestion)) {
        run(dm, DeleteProductSql, id);
    }
}

} // namespace ProductCatalogue
