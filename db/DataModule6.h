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

// Where the program connects: database and server from the command line, the rest fixed.
struct ConnectionSettings {
    QString database;
    QString server; // host name, address, or a unix-socket folder (libpq's rules)
    int port = 5432;
    QString user = QStringLiteral("sys");
    QString password = QStringLiteral("wexfopl");

    // arguments as QCoreApplication::arguments() gives them (program name first).
    // With a non-empty second argument: database = the first argument as it is (even empty),
    // server = the second. Otherwise the built-in connection: vemor_erp on the built-in
    // default server, and the first argument is ignored.
    static ConnectionSettings fromArguments(const QStringList& arguments);
    static QString builtInServer();
    // libpq options every session of the program starts with: a bounded lock wait (a save's),
    // a generous statement limit, an idle-in-transaction limit and TCP keepalives both ways.
    static QString sessionOptions();
    static constexpr int StatementSeconds = 300;
    static constexpr int IdleInTransactionSeconds = 30;
};

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
