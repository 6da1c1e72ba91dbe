#pragma once
// The data module: the one server connection, the shared queries of the journal and the
// catalogues, the scratch query and commands through which most statements run, and the
// duplicate count check. It never shows a window itself; CountCheck reports through the
// application's message interface.
#include "db/Query.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Where the program connects: database and server from the command line; everything else (user,
// password, port, TLS, Kerberos, client certificates) comes from libpq's own sources: the
// connection service file, the password file, the PG* variables. The program holds no credential.
struct ConnectionSettings {
    QString database; // empty: the one the service or PGDATABASE names
    // A host name, an address or a unix-socket folder, several of them separated by commas
    // (libpq's rules), or a libpq connection string ("service=tabel", "host=db1 sslmode=verify-full").
    QString server;
    // The database taken where neither the service nor PGDATABASE names one (the built-in connection).
    QString fallbackDatabase;

    // arguments as QCoreApplication::arguments() gives them (program name first).
    // With a non-empty second argument: database = the first argument as it is (even empty),
    // server = the second. Otherwise the built-in connection: the built-in server (a service
    // by default) with vemor_erp unless the service names another database, and the first
    // argument is ignored.
    static ConnectionSettings fromArguments(const QStringList& arguments);
    static QString builtInServer();
    // The server as libpq connection keywords: a plain host list becomes host='...'.
    QString serverKeywords() const;
    // libpq options every session of the program starts with: a bounded lock wait (a save's),
    // a generous statement limit, an idle-in-transaction limit and TCP keepalives both ways.
    static QString sessionOptions();
    static constexpr int StatementSeconds = 300;
    static constexpr int IdleInTransactionSeconds = 30;
};

// Points db at the settings' database and server, with the libpq options given ("a=b;c=d").
void openWith(QSqlDatabase& db, const ConnectionSettings& s, const QString& options);

// Why a connection could not be opened, in the words the user is told.
namespace ConnectFailure {
// The Russian message for libpq's error text of a failed connection: what to check. Empty when
// the server simply could not be reached (the start-up's own message says so).
QString explain(const QString& driverText);
} // namespace ConnectFailure

class DataModule6 : public QObject {
    Q_OBJECT
public:
    static constexpr const char* ConnectionName = "ADO_DB";

    explicit DataModule6(QObject* parent = nullptr);
    ~DataModule6() override;

    // Opens ADO_DB (closing it first); false with the driver's message on failure.
    bool connectTo(const ConnectionSettings& settings, QString* error = nullptr);
    QSqlDatabase ADO_DB() const;
    // The workstation's identity on the server, shown in pg_stat_activity.
    bool isConnected() const;
    // Says in words when the connection crosses a network unencrypted (no TLS, not a unix socket
    // nor the machine's own loopback); empty otherwise.
    QString unencryptedNote();
    static QString unencryptedNote(bool encrypted, bool overNetwork);

    // True when the statement (which returns a column cnt) counts more than 0; then the
    // message is shown as an error. Values come in as bound parameters.
    bool CountCheck(const QString& sql, const QString& message, const QMap<QString, QVariant>& params = {});
    // The text with its decimal separator replaced by Delim (a point while Delim is empty).
    QString DecimalToDb(const QString& text) const;

    // The journal query of a shift: Smena1..Smena4; any other number counts as shift 1.
    Query& smenaQuery(int shift);

    // Decimal separator the server expects in number text, from the build record.
    QString Delim;

    Query Workers{QStringLiteral("Workers")};
    Query Izdel{QStringLiteral("Izdel")};
    Query Oper{QStringLiteral("Oper")};
    Query Vid_oper{QStringLiteral("Vid_oper")};
    Query Smena1{QStringLiteral("Smena1")};
    Query Smena2{QStringLiteral("Smena2")};
    Query Smena3{QStringLiteral("Smena3")};
    Query Smena4{QStringLiteral("Smena4")};
    Query H_Tabel_1{QStringLiteral("H_Tabel_1")};
    Query H_Tabel_2{QStringLiteral("H_Tabel_2")};
    Query H_Tabel_3{QStringLiteral("H_Tabel_3")};
    Query Control{QStringLiteral("Control")};
    Command DelSmena{QStringLiteral("DelSmena")};
    Command H_Tabel_ins{QStringLiteral("H_Tabel_ins")};
    Command SQL_exec{QStringLiteral("SQL_exec")};
    Command Oper_ins{QStringLiteral("Oper_ins")};
    Command Oper_ed{QStringLiteral("Oper_ed")};
    Command Oper_del{QStringLiteral("Oper_del")};

    // Statements of the shared queries.
    static QString workersSql();
    static QString izdelSql();
    static QString operSql();
    static QString vidOperSql();
    static QString smenaSql(int shift);
    static QString hTabelSql(int shift);
};
