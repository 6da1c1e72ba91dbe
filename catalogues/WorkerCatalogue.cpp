#include "catalogues/WorkerCatalogue.h"

#include "db/Messages.h"
#include "db/Query.h"

namespace WorkerCatalogue {

bool save(Command& command, int tag, int personId, const QString& typedName, const QString& department) {
    const QString name = typedName.trimmed();
    if (name.isEmpty()) {
        messages().error(Caption::Error, EmptyNameMessage);
        return false;
    }
    command.clearParams();
    if (tag == NewWorker) {
        command.setSql(
            QStringLiteral("INSERT INTO accounts_dep.person (fio, s_staffpos_hl)VALUES(:fio, :dept)"));
    } else {
        command.setSql(QStringLiteral("UPDATE accounts_dep.person SET fio=:fio, s_staffpos_hl=:dept "
                                      "where accounts_dep.person.id=:id"));
        command.setParam(QStringLiteral("id"), personId);
    }
    command.setParam(QStringLiteral("fio"), name);
    // A list that shows nothing stores an empty text, not a null.
    command.setParam(QStringLiteral("dept"), department.isNull() ? QStringLiteral("") : department);
    command.exec();
    return true;
}

void remove(Command& command, int personId) {
    command.clearParams();
    command.setSql(QStringLiteral("delete from accounts_dep.person where id =:id"));
    command.setParam(QStringLiteral("id"), personId);
    command.exec();
}

} // namespace WorkerCatalogue
