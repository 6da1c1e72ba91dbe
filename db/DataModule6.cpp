#include "db/DataModule6.h"

#include "db/Changes.h"
#include "db/DbError.h"
#include "db/Messages.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

#include <QSqlError>
#include <QSqlQuery>

#ifndef TABEL_DEFAULT_SERVER
#define TABEL_DEFAULT_SERVER "service=tabel"
#endif

QString ConnectionSettings::builtInServer() {
    return QStringLiteral(TABEL_DEFAULT_SERVER);
}

ConnectionSettings ConnectionSettings::fromArguments(const QStringList& arguments) {
    ConnectionSettings s;
    const QString first = arguments.value(1);
    const QString second = arguments.value(2);
    if (second.isEmpty()) {
        s.fallbackDatabase = QStringLiteral("vemor_erp");
        s.server = builtInServer();
        // A service the user names in PGSERVICE is his choice over the built-in one.
        if (s.server.startsWith(QLatin1String("service=")) && !qEnvironmentVariableIsEmpty("PGSERVICE"))
            s.server.clear();
    } else {
        s.database = first;
        s.server = second;
    }
    return s;
}

QString ConnectionSettings::serverKeywords() const {
    const QString trimmedServer = server.trimmed();
    if (trimmedServer.isEmpty()) return {};
    // A connection string names its keywords itself ("service=tabel", "host=db1 port=5433").
    if (trimmedServer.contains(QLatin1Char('='))) return trimmedServer;
    QString quoted = trimmedServer;
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"))
        .replace(QLatin1String("'"), QLatin1String("\\'"));
    return QStringLiteral("host='%1'").arg(quoted);
}

QString ConnectFailure::explain(const QString& driverText) {
    const QString t = driverText.toLower();
    const auto has = [&t](const char* s) { return t.contains(QLatin1String(s)); };
    if (has("definition of service") || has("service file"))
        return QStringLiteral(
                   "Не найдено описание подключения к базе данных (служба %1). Проверьте файл служб "
                   "pg_service.conf (~/.pg_service.conf, PGSERVICEFILE или общий файл системы) или укажите "
                   "сервер при запуске: tabel БАЗА СЕРВЕР.")
            .arg(QString(driverText).section(QLatin1Char('"'), 1, 1));
    if (has("does not support ssl") || has("ssl was required") || has("sslmode value"))
        return QStringLiteral("Сервер базы данных не поддерживает шифрованное подключение (TLS), а описание "
                              "подключения его требует (sslmode). Подключение не установлено.");
    if (has("certificate") || has("root certificate") || has("ssl error") || has("does not match host name"))
        return QStringLiteral(
            "Сертификат сервера базы данных не прошёл проверку (sslmode, sslrootcert в описании "
            "подключения). Подключение не установлено.");
    if (has("password authentication failed") || has("no password supplied") ||
        has("authentication failed") || has("fe_sendauth") || has("gssapi") || has("kerberos") ||
        has("pg_hba.conf") || (has("role") && has("does not exist")) ||
        has("permission denied for database") || has("not permitted to log in"))
        return QStringLiteral(
            "Сервер базы данных не принял вход. Проверьте имя пользователя и пароль: описание "
            "подключения (pg_service.conf, PGSERVICE, PGUSER) и файл паролей (~/.pgpass или "
            "PGPASSFILE, доступный только владельцу).");
    return {};
}

QString ConnectionSettings::sessionOptions() {
    // TCP keepalives both ways: the client notices a vanished server, and the server notices a
    // vanished workstation within about half a minute and ends its session, which frees its
    // locks (by default that takes hours). Over a unix socket they do nothing. The program's
    // writes tell the other workstations what they changed with their commit (tabel.notifies):
    // the database extension's notify triggers are for writes from elsewhere. A period report
    // sorts some 50,000 summed rows by names: with the server's default work_mem (4 MB) that
    // sort spills to disk and takes half again as long. The server's JIT compilation (on by
    // default above a cost the period statements pass) spends 30-60 ms compiling a statement
    // that runs in a few hundred; none of the program's statements gains by it.
    return QStringLiteral("keepalives=1;keepalives_idle=20;keepalives_interval=5;keepalives_count=3;"
                          "tcp_user_timeout=30000;"
                          "options='-c lock_timeout=%1s -c statement_timeout=%2s "
                          "-c idle_in_transaction_session_timeout=%3s -c tcp_keepalives_idle=20 "
                          "-c tcp_keepalives_interval=5 -c tcp_keepalives_count=3 -c tcp_user_timeout=30000 "
                          "-c tabel.notifies=program -c work_mem=32MB -c jit=off'")
        .arg(SaveLockSeconds)
        .arg(StatementSeconds)
        .arg(IdleInTransactionSeconds);
}

DataModule6::DataModule6(QObject* parent) : QObject(parent) {
    for (Query* q : {&Workers, &Izdel, &Oper, &Vid_oper, &Smena1, &Smena2, &Smena3, &Smena4, &H_Tabel_1,
                     &H_Tabel_2, &H_Tabel_3, &Control})
        q->setConnectionName(ConnectionName);
    for (Command* c : {&DelSmena, &H_Tabel_ins, &SQL_exec, &Oper_ins, &Oper_ed, &Oper_del})
        c->setConnectionName(ConnectionName);

    Workers.setSql(workersSql());
    Izdel.setSql(izdelSql());
    Oper.setSql(operSql());
    Vid_oper.setSql(vidOperSql());
    Smena1.setSql(smenaSql(1));
    Smena2.setSql(smenaSql(2));
    Smena3.setSql(smenaSql(3));
    Smena4.setSql(smenaSql(4));
    H_Tabel_1.setSql(hTabelSql(1));
    H_Tabel_2.setSql(hTabelSql(2));
    H_Tabel_3.setSql(hTabelSql(3));
    Oper_del.setSql(QStringLiteral("delete from accounts_dep.oper where id=:id"));
}

DataModule6::~DataModule6() {
    ChangeListener::of(ConnectionName).stop();
    for (Query* q : {&Workers, &Izdel, &Oper, &Vid_oper, &Smena1, &Smena2, &Smena3, &Smena4, &H_Tabel_1,
                     &H_Tabel_2, &H_Tabel_3, &Control})
        q->release();
    {
        QSqlDatabase db = QSqlDatabase::database(ConnectionName, false);
        if (db.isValid()) db.close();
    }
    if (QSqlDatabase::contains(ConnectionName)) QSqlDatabase::removeDatabase(ConnectionName);
}

void openWith(QSqlDatabase& db, const ConnectionSettings& s, const QString& options) {
    // Nothing is given that libpq finds by itself: user, password, port and TLS come from the
    // service file, the password file and the PG* variables. The database of the built-in
    // connection is only a fallback: a PGDATABASE of the user's, and a service's dbname, win.
    if (s.database.isEmpty() && !s.fallbackDatabase.isEmpty() && qEnvironmentVariableIsEmpty("PGDATABASE"))
        qputenv("PGDATABASE", s.fallbackDatabase.toLocal8Bit());
    db.setDatabaseName(s.database);
    db.setHostName(QString());
    db.setPort(-1);
    db.setUserName(QString());
    db.setPassword(QString());
    const QString server = s.serverKeywords();
    db.setConnectOptions((server.isEmpty() ? QString() : server + QLatin1Char(';')) + options);
}

bool DataModule6::connectTo(const ConnectionSettings& s, QString* error) {
    QSqlDatabase db = QSqlDatabase::contains(ConnectionName)
                          ? QSqlDatabase::database(ConnectionName, false)
                          : QSqlDatabase::addDatabase("QPSQL", ConnectionName);
    db.close();
    // TLS as libpq decides it (prefer, or what the service or PGSSLMODE says). The ODBC
    // driver's own options have no equivalent in libpq and are left out. A timeout keeps an
    // unreachable server from hanging the start.
    openWith(db, s,
             QStringLiteral("connect_timeout=15;application_name=tabel;") +
                 ConnectionSettings::sessionOptions());
    if (!db.open()) {
        if (error) *error = db.lastError().text();
        return false;
    }
    // A lost connection is reported once and opened again by the next statement.
    DbConnection::follow(db, ConnectionName);
    ChangeListener::of(ConnectionName).listen(ConnectionName);
    return true;
}

QSqlDatabase DataModule6::ADO_DB() const {
    return QSqlDatabase::database(ConnectionName, false);
}

QString DataModule6::unencryptedNote(bool encrypted, bool overNetwork) {
    if (encrypted || !overNetwork) return {};
    return QStringLiteral(
        "Подключение к серверу базы данных не зашифровано: данные идут по сети открытым текстом. "
        "Сообщите администратору (sslmode в описании подключения).");
}

QString DataModule6::unencryptedNote() {
    QSqlQuery q(ADO_DB());
    execBound(
        q,
        QStringLiteral("select coalesce((select ssl from pg_stat_ssl where pid = pg_backend_pid()), false), "
                       "coalesce(inet_client_addr() is not null and not (inet_client_addr() <<= "
                       "'127.0.0.0/8'::inet or inet_client_addr() = '::1'::inet), false)"),
        {});
    if (!q.next()) return {};
    return unencryptedNote(q.value(0).toBool(), q.value(1).toBool());
}

bool DataModule6::isConnected() const {
    return ADO_DB().isOpen();
}

bool DataModule6::CountCheck(const QString& sql, const QString& message,
                             const QMap<QString, QVariant>& params) {
    // setSql starts the scratch query clean: no value of its previous use is bound.
    Control.setSql(sql);
    for (auto it = params.begin(); it != params.end(); ++it)
        Control.setParam(it.key(), it.value());
    Control.open();
    const QVariant cnt = Control.field(QStringLiteral("cnt"));
    Control.close();
    if (!Control.fields().contains(QStringLiteral("cnt")))
        throw DbError(QStringLiteral("Поле cnt не найдено"));
    const bool duplicate = cnt.toLongLong() > 0;
    if (duplicate) messages().error(Caption::Error, message);
    return duplicate;
}

QString DataModule6::DecimalToDb(const QString& text) const {
    // The server reads number texts with a point; a separator that is empty (a record that
    // names none, or a module not yet checked) would turn 12,5 into 125.
    return ::DecimalToDb(text, Delim.trimmed().isEmpty() ? QStringLiteral(".") : Delim);
}

Query& DataModule6::smenaQuery(int shift) {
    switch (shift) {
    case 2:
        return Smena2;
    case 3:
        return Smena3;
    case 4:
        return Smena4;
    default:
        return Smena1;
    }
}

QString DataModule6::workersSql() {
    return QStringLiteral("select * from accounts_dep.person order by fio");
}

QString DataModule6::izdelSql() {
    return QStringLiteral("select *  from accounts_dep.IZDEL order by marka");
}

QString DataModule6::operSql() {
    return QStringLiteral(
        "select izdel.MARKA, vid_oper.VID, oper.NAIMEN, (SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' "
        "ELSE 'Заготовки' END)) as nmn,\n"
        "count(o_id) norma, min(price)::numeric cena,\n"
        "oper.id, oper.i_id, oper.VID as oper_vid from "
        "accounts_dep.norm,accounts_dep.OPER,accounts_dep.IZDEL,"
        "accounts_dep.VID_OPER where OPER.i_id=IZDEL.id and norm.o_id=oper.id\n"
        "and oper.vid=vid_oper.id group by izdel.MARKA, vid_oper.VID, oper.NAIMEN, oper.id, oper.i_id, "
        "oper.VID "
        "order by izdel.marka, vid_oper.vid, oper.naimen");
}

QString DataModule6::vidOperSql() {
    return QStringLiteral("select * from accounts_dep.VID_OPER order by vid");
}

QString DataModule6::smenaSql(int shift) {
    const QString n = QString::number(shift);
    const QString notHidden = shift == 1 ? QStringLiteral("ok!=:ok") : QStringLiteral("ok<>:ok");
    // A line's worker is the person whose number or whose code is the line's w_id (each such
    // person gives the line a row). The people are looked up once per worker of the shift,
    // not once per line: the lookup is an index search on either column, which the server
    // cannot turn into one hash join, and a busy day has a thousand lines of a few hundred
    // workers.
    const QString people =
        QStringLiteral(
            "with w as materialized (select distinct w_id from accounts_dep.smena where smena.smena=") +
        n + QStringLiteral(" and smena.data=:data and ") + notHidden +
        QStringLiteral(
            "),\n"
            "person as materialized (select w.w_id as p_w_id, person.s_caption from w, "
            "cmn_contractor.person person where (w.w_id=person.id or person.s_code::t_id=w.w_id))\n");
    const QString head = QStringLiteral(
        "select smena.id, smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, \n"
        "smena.cena,person.s_caption fio, izdel.marka, vid_oper.vid, (SELECT (CASE naimen WHEN 0 THEN "
        "'Готовая "
        "продукция' ELSE 'Заготовки' END)) as nmn, oper.naimen,  smena.brak, smena.kol_vo::numeric,\n");
    const QString from = QStringLiteral(
        "from person, accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,"
        "accounts_dep.vid_oper \n"
        "where smena.i_id=izdel.id and smena.o_id=oper.id and person.p_w_id=smena.w_id and \n");
    if (shift == 1)
        return people + head +
               QStringLiteral(
                   "round((kol_vo-brak)*smena.cena::numeric, 2) as summa, smena.prize, color,time, "
                   "smena.ok, vvod, smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, "
                   "smena.id_gds_use, smena.id_cons_use\n") +
               from +
               QStringLiteral(
                   "oper.vid=vid_oper.id and smena.smena=1 and smena.data=:data and ok!=:ok order by \n"
                   "fio, izdel.marka, vid_oper.vid, oper.naimen, color");
    return people + head +
           QStringLiteral(
               "round((kol_vo-brak)*smena.cena::numeric, 2) as summa, smena.prize, smena.id, color,time, "
               "smena.ok, vvod, smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, "
               "smena.id_gds_use, smena.id_cons_use\n") +
           from + QStringLiteral("oper.vid=vid_oper.id and smena.smena=") + n +
           QStringLiteral(" and smena.data=:data and ok<>:ok order by fio");
}

QString DataModule6::hTabelSql(int shift) {
    QString days;
    QString daySum;
    for (int d = 1; d <= 31; ++d) {
        const QString col = QStringLiteral("coalesce(h_tabel.d%1,0)").arg(d);
        daySum += (d > 1 ? QStringLiteral("+") : QString()) + col;
        days += QStringLiteral(", case when (%1) =0 then null else  (%1) end d%2").arg(col).arg(d);
    }
    return QStringLiteral(
               "select person.s_caption fio, (%1) as summ, "
               "case when (%1)=0 then 0 else(sum(s.cena*(kol_vo-brak))/(%1)) end ::numeric(10,2) as "
               "average_price, sum(s.cena*(kol_vo-brak))::numeric(10,2) as cena_all, "
               "h_tabel.w_id, h_tabel.month,h_tabel.year, h_tabel.smena, h_tabel.id, h_tabel.i_type, "
               "h_tabel.i_night%2 "
               "from accounts_dep.h_tabel, cmn_contractor.person, accounts_dep.smena s where "
               "h_tabel.w_id=person.s_code::integer and h_tabel.smena=%3 and month=:mnth and s.w_id = "
               "h_tabel.w_id and h_tabel.year=:yea and s.data >=:date1 and s.data <:date2 "
               "group by person.s_caption,h_tabel.w_id,h_tabel.month,h_tabel.year,h_tabel.smena,"
               "h_tabel.id order by fio")
        .arg(daySum, days, QString::number(shift));
}
