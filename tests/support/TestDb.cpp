#include "tests/support/TestDb.h"

#include "forms/WaitWindow.h"
#include <QApplication>

#include "db/Instances.h"
#include "db/Query.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>

namespace {
const char* AdminConnection = "tabel_test_admin";

void adminExec(const QString& socket, const QString& sql) {
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", AdminConnection);
        admin.setHostName(socket);
        admin.setDatabaseName("postgres");
        admin.setUserName("sys"); // its password is in the cluster's password file
        if (!admin.open())
            qFatal("cannot reach the test cluster at %s: %s", qPrintable(socket),
                   qPrintable(admin.lastError().text()));
        QSqlQuery q(admin);
        if (!q.exec(sql)) qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        admin.close();
    }
    QSqlDatabase::removeDatabase(AdminConnection);
}
} // namespace

QString TestDb::clusterDir() {
    QString cluster = qEnvironmentVariable("TABEL_TEST_CLUSTER");
    if (cluster.isEmpty()) cluster = QStringLiteral(TABEL_BINARY_DIR "/testdb");
    return cluster;
}

QString TestDb::socketDir() {
    return clusterDir() + QStringLiteral("/socket");
}

void TestDb::usePasswordFile() {
    // The cluster's logins have passwords that only its password file holds (scripts/pgcluster).
    if (qEnvironmentVariableIsEmpty("PGPASSFILE"))
        qputenv("PGPASSFILE", QFile::encodeName(clusterDir() + QStringLiteral("/pgpass")));
}

ConnectionSettings TestDb::settings(const QString& login) const {
    ConnectionSettings s;
    s.database = database_;
    s.server = QStringLiteral("host='%1' user=%2").arg(socketDir(), login);
    return s;
}

QString TestDb::settingsFolder() {
    // Window sizes and column widths that tests leave behind go to a folder of the test
    // program's own, never to the user's settings.
    static QTemporaryDir folder;
    return folder.path();
}

TestDb::TestDb(const QString& name, Template from) : database_(QStringLiteral("tst_") + name) {
    usePasswordFile();
    for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, settingsFolder());
    adminExec(socketDir(), QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database_));
    adminExec(socketDir(),
              QStringLiteral("CREATE DATABASE %1 TEMPLATE %2")
                  .arg(database_, from == Template::Plain ? QStringLiteral("tabel_template_plain")
                                                          : QStringLiteral("tabel_template")));
    dm_ = std::make_unique<DataModule6>();
    QString error;
    if (!dm_->connectTo(settings(), &error))
        qFatal("cannot connect to %s: %s", qPrintable(database_), qPrintable(error));
    registerInstance(dm_.get());
    // The program's statements run as the program runs them: off the event loop, with the wait
    // window after a moment.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) WaitWindow::install();
    for (int shift = 1; shift <= 4; ++shift)
        dm_->smenaQuery(shift).setParam(QStringLiteral("ok"), QStringLiteral("ta"));
}

TestDb::~TestDb() {
    WaitWindow::uninstall();
    unregisterInstance<DataModule6>();
    dm_.reset();
    adminExec(socketDir(), QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database_));
}

void TestDb::exec(const QString& sql, const QMap<QString, QVariant>& params) {
    QSqlQuery q(db());
    if (params.isEmpty()) { // fixture scripts and DDL run unprepared
        if (!q.exec(sql))
            qFatal("fixture statement failed: %s\n%s", qPrintable(q.lastError().text()), qPrintable(sql));
        return;
    }
    try {
        execBound(q, sql, params);
    } catch (const std::exception& e) {
        qFatal("fixture statement failed: %s\n%s", e.what(), qPrintable(sql));
    }
}

QVariant TestDb::scalar(const QString& sql, const QMap<QString, QVariant>& params) {
    QSqlQuery q(db());
    try {
        execBound(q, sql, params);
    } catch (const std::exception& e) {
        qFatal("fixture query failed: %s\n%s", e.what(), qPrintable(sql));
    }
    return q.next() ? q.value(0) : QVariant();
}

void TestDb::clearData() {
    // As the fixture's superuser again (a test may have taken an access role), then the closed
    // months first: they would refuse the deletes below.
    exec("select set_config('role', 'none', false)");
    exec("do $$ begin if to_regclass('tabel_ext.closed_month') is not null then "
         "delete from tabel_ext.closed_month; end if; end $$");
    exec("delete from accounts_dep.smena; delete from accounts_dep.h_tabel; delete from accounts_dep.fatigue;"
         "delete from accounts_dep.norm where o_id not in (select id from accounts_dep.oper where vid in "
         "(7777, 7778));"
         "delete from accounts_dep.oper where vid not in (7777, 7778);"
         "delete from accounts_dep.vid_oper where id not in (7777, 7778);"
         "delete from cmn_gds_and_srv.gds_and_srv where id <> 7777;"
         "delete from accounts_dep.worker_card; delete from cmn_contractor.person;"
         "delete from cmn_classifier.item; delete from adm_role.roles; delete from hrms_staffpos.staffpos;"
         "delete from cmn_department.department;"
         "update accounts_dep.ver set d = 0, t = 0, delim = '.'");
}

int TestDb::addWorker(const QString& fio, const QString& department) {
    return scalar("insert into accounts_dep.person (fio, s_staffpos_hl) values (:fio, :dep) returning id",
                  {{"fio", fio}, {"dep", department}})
        .toInt();
}

int TestDb::addPerson(const QString& fio, const QString& sCode) {
    const int id =
        scalar("insert into cmn_contractor.person (s_caption) values (:fio) returning id", {{"fio", fio}})
            .toInt();
    exec("update cmn_contractor.person set s_code = :code where id = :id",
         {{"code", sCode.isEmpty() ? QString::number(id) : sCode}, {"id", id}});
    return id;
}

int TestDb::addClassItem(const QString& caption, int level) {
    return scalar("insert into cmn_classifier.item (id_classifier, id_level, s_code, s_caption) "
                  "values (1, :level, :caption, :caption) returning id",
                  {{"level", level}, {"caption", caption}})
        .toInt();
}

int TestDb::addProduct(const QString& marka, double massa, int classItem) {
    return scalar("insert into cmn_gds_and_srv.gds_and_srv (s_caption, s_description, id_msm_bs, massa, "
                  "id_class_item) "
                  "values (:marka, '', 6, :massa, :cls) returning id",
                  {{"marka", marka}, {"massa", massa}, {"cls", classItem ? QVariant(classItem) : QVariant()}})
        .toInt();
}

int TestDb::addKind(const QString& vid) {
    return scalar("insert into accounts_dep.vid_oper (vid) values (:vid) returning id", {{"vid", vid}})
        .toInt();
}

int TestDb::addOperation(int kind, int product, int naimen, const QList<double>& normPrices) {
    const int id = scalar("insert into accounts_dep.oper (vid, naimen, i_id, cena, cena_new) "
                          "values (:vid, :naimen, :product, 0, 0) returning id",
                          {{"vid", kind}, {"naimen", naimen}, {"product", product}})
                       .toInt();
    for (double price : normPrices)
        exec("insert into accounts_dep.norm (o_id, norma, price, prize) values (:o, 10, :price, 0)",
             {{"o", id}, {"price", price}});
    return id;
}

int TestDb::addLine(int worker, int oper, const QDate& date, int shift, int kolVo, int brak, double cena,
                    int time, const QString& ok, int color) {
    const int product = scalar("select i_id from accounts_dep.oper where id = :id", {{"id", oper}}).toInt();
    return scalar(
               "insert into accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, "
               "time, "
               "vvod, ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) values (:w, "
               ":i, :o, "
               ":cena, :kol, :brak, :data, :smena, :color, :time, :vvod, :ok, 0, 0, 0, 0, 0, 0) returning id",
               {{"w", worker},
                {"i", product},
                {"o", oper},
                {"cena", cena},
                {"kol", kolVo},
                {"brak", brak},
                {"data", date},
                {"smena", shift},
                {"color", color},
                {"time", time},
                {"vvod", date},
                {"ok", ok.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(ok)}})
        .toInt();
}

QSqlDatabase TestDb::openOther(const QString& connectionName, const QString& login) const {
    QSqlDatabase other = QSqlDatabase::addDatabase("QPSQL", connectionName);
    other.setHostName(socketDir());
    other.setDatabaseName(database_);
    other.setUserName(login);
    if (!other.open()) qFatal("second connection failed: %s", qPrintable(other.lastError().text()));
    return other;
}
