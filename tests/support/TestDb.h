#pragma once
// A fresh database of its own for a test program, copied from the template of the tests'
// private cluster (scripts/pgcluster init DIR template), with the data module connected
// to it and registered. Fixture helpers insert the few rows a test needs.
#include "db/DataModule6.h"

#include <memory>
#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

class TestDb {
public:
    // Which template the database is copied from: the reference schema with the optional
    // extension installed (month close, change history), or the reference schema alone.
    enum class Template { WithExtension, Plain };
    // name: becomes part of the database name, unique per test program.
    explicit TestDb(const QString& name, Template from = Template::WithExtension);
    ~TestDb();

    DataModule6& dm() { return *dm_; }
    QSqlDatabase db() const { return dm_->ADO_DB(); }
    const QString& databaseName() const { return database_; }
    static QString socketDir();
    // The tests' cluster folder (TABEL_TEST_CLUSTER), and its password file made the one libpq reads.
    static QString clusterDir();
    static void usePasswordFile();
    // Where QSettings keeps this test program's settings (a temporary folder).
    static QString settingsFolder();
    // The program's connection to this database as a login of the cluster (the fixture's superuser
    // sys, or a restricted one such as tabel_t_masters).
    ConnectionSettings settings(const QString& login = QStringLiteral("sys")) const;

    // Fixture SQL written by the test itself (never user input); fails the test on error.
    void exec(const QString& sql, const QMap<QString, QVariant>& params = {});
    QVariant scalar(const QString& sql, const QMap<QString, QVariant>& params = {});
    // Empties the shop's tables (not the reserved rows) between test cases.
    void clearData();

    // A worker (person + worker card); returns his number.
    int addWorker(const QString& fio, const QString& department = {});
    // An enterprise person who is not a worker; s_code as given (defaults to the id).
    int addPerson(const QString& fio, const QString& sCode = {});
    int addClassItem(const QString& caption, int level = 2);
    int addProduct(const QString& marka, double massa = 1, int classItem = 0);
    int addKind(const QString& vid);
    int addOperation(int kind, int product, int naimen, const QList<double>& normPrices);
    int addLine(int worker, int oper, const QDate& date, int shift, int kolVo, int brak, double cena,
                int time, const QString& ok = QStringLiteral("no"), int color = 0);
    // A second connection to the same database, as another workstation would have.
    QSqlDatabase openOther(const QString& connectionName, const QString& login = QStringLiteral("sys")) const;

private:
    QString database_;
    std::unique_ptr<DataModule6> dm_;
};
