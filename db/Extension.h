#pragma once
// The optional database extension (schema tabel_ext, installed from schema/tabel_ext.sql):
// month close and change history, enforced by triggers for every client. The program never
// installs it by itself: a normal start only asks whether it is there and in which version.
// No widgets here.
#include <optional>
#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace Extension {

// The version of schema/tabel_ext.sql this build is made for.
constexpr int RequiredVersion = 3;

// SQLSTATE of the triggers' refusal of a write into a closed month.
inline const QString ClosedMonthState = QStringLiteral("TB001");

inline const QString UnavailableTip =
    QStringLiteral("Нужно расширение базы данных tabel_ext (закрытие месяцев и история изменений). "
                   "Его устанавливает администратор: tabel --install-extension БАЗА СЕРВЕР "
                   "или psql -f tabel_ext.sql.");
inline const QString OlderVersionMessage =
    QStringLiteral("Расширение базы данных tabel_ext установлено в версии %1, а этой сборке нужна "
                   "версия %2. Закрытие месяцев и история изменений работают как в версии %1, "
                   "пока администратор не обновит расширение (tabel --install-extension БАЗА СЕРВЕР).");

struct Status {
    bool installed = false;
    int version = 0;
    // The access roles are the server's (version 3 with its group roles): the program takes the
    // code's role with SET ROLE, and the day hours and the build record go through the
    // extension's functions.
    bool roles = false;
    bool usable() const { return installed && version >= 1; }
    bool older() const { return installed && version < RequiredVersion; }
};

// Asks the server; creates nothing.
Status detect(QSqlDatabase db);

// The status found at this run's start (detect() stores it); tests may set it.
const Status& current();
void setCurrent(const Status& s);

// Installs or upgrades the extension from the SQL text given (the file as shipped), in one
// transaction: all of it or nothing. Throws DbError with the server's text.
void install(QSqlDatabase db, const QString& sql);
// The statements of an SQL script, split at the semicolons outside literals, comments and
// dollar-quoted bodies.
QStringList splitStatements(const QString& sql);
// The SQL of the extension that this build carries.
QString shippedSql();

// The database's group role of an access role's code ("masters" -> "tabel_masters").
QString groupRole(const QString& roleCode);
// The access role's name as the windows and the history say it ("мастер").
QString roleWords(const QString& roleCode);
// The refusal of a login whose database login is not granted the code's role.
QString notGrantedMessage(const QString& roleCode);

enum class RoleTaken { Taken, NotGranted, NotEnforced };
// Takes the code's access role for the session (SET ROLE), now and for every connection opened
// again after a loss, where the server holds the roles; the login must be a member of it. Without
// the roles nothing changes and the role holds only in the windows.
RoleTaken takeRole(QSqlDatabase db, const QString& roleCode);

// Who writes, as the triggers record it: the access role's code ("full", "office", "masters",
// "warehouse") and the workstation. Kept in the session (and in the connection options, so a
// reopened connection keeps them).
void setSessionActor(QSqlDatabase db, const QString& roleCode, const QString& station);
// The role's code set by setSessionActor (empty before the login).
QString sessionRole();
// The workstation's name as the history shows it: the host name.
QString stationName();

// A closed month as the extension keeps it.
struct ClosedMonth {
    int year = 0;
    int month = 0;
    QDateTime closedAt;
    QString role;
    QString station;
    QString reason;
};
// The closed month holding `date`, if the extension is there and the month is closed.
std::optional<ClosedMonth> closedMonthOf(QSqlDatabase db, const QDate& date);
// "05.2026"
QString monthText(int year, int month);
// The refusal the program shows before it asks the server: names the month and who closed it.
QString closedMessage(const ClosedMonth& c);

} // namespace Extension
