#include "catalogues/KindCatalogue.h"

#include "db/DataModule6.h"
#include "db/Messages.h"

namespace KindCatalogue {

bool nameTaken(DataModule6& dm, const QString& name, int exceptId) {
    QMap<QString, QVariant> params{{QStringLiteral("name"), name.toUpper()}};
    QString sql = QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=:name");
    if (exceptId > 0) {
        sql += QStringLiteral(" and id<>:id");
        params.insert(QStringLiteral("id"), exceptId);
    }
    return dm.CountCheck(sql, DuplicateMessage, params);
}

bool save(DataModule6& dm, int tag, int id, const QString& typedName) {
    const QString name = typedName.trimmed();
    if (name.isEmpty()) {
        messages().error(Caption::Error, IncompleteMessage);
        return false;
    }
    const bool isNew = tag == NewKind;
    if (nameTaken(dm, name, isNew ? 0 : id)) return false;
    Command& cmd = dm.SQL_exec;
    cmd.clearParams();
    if (isNew) {
        cmd.setSql(QStringLiteral("insert into accounts_dep.vid_oper (vid) values (:vid)"));
    } else {
        cmd.setSql(QStringLiteral("update accounts_dep.vid_oper set vid=:vid where id=:id"));
        cmd.setParam(QStringLiteral("id"), id);
    }
    cmd.setParam(QStringLiteral("vid"), name);
    cmd.exec();
    return true;
}

void remove(DataModule6& dm, int id) {
    Command& cmd = dm.SQL_exec;
    cmd.clearParams();
    cmd.setSql(QStringLiteral("delete from accounts_dep.vid_oper where id=:id"));
    cmd.setParam(QStringLiteral("id"), id);
    cmd.exec();
}

} // namespace KindCatalogue
