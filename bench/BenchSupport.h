#pragma once
// What the benchmarks on the benchmark database share: the median and percentiles of a run's
// timings, the program's data module connected to the database named on the command line, a
// statement run with its parameters, and messages that answer every question Yes.
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "db/Query.h"

#include <algorithm>
#include <cstdio>
#include <QSqlQuery>
#include <QStringList>
#include <QVector>

inline double median(QVector<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// The value below which the share p (0..1) of the timings lie.
inline double percentile(QVector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[std::min<qsizetype>(v.size() - 1, qsizetype(v.size() * p))];
}

// A statement of the benchmark's own (fixture or lookup), run with its parameters; throws DbError.
inline QSqlQuery run(QSqlDatabase db, const QString& sql, const QMap<QString, QVariant>& params = {}) {
    QSqlQuery q(db);
    execBound(q, sql, params);
    return q;
}
inline QSqlQuery run(DataModule6& dm, const QString& sql, const QMap<QString, QVariant>& params = {}) {
    return run(dm.ADO_DB(), sql, params);
}

// The benchmarks' lines carry colours no real line has (so they are never duplicates), on dates
// that may lie in a closed year: the save's questions about them are answered Yes; errors are
// printed.
class YesMessages final : public Messages {
public:
    void error(const QString& caption, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    }
    bool question(const QString&, const QString&) override { return true; }
    void information(const QString&, const QString&) override {}
};

// Connects dm to "SOCKET_FOLDER [DATABASE]" (the database vemor_erp by default) and registers
// it as the program's data module. Prints the usage, or why it could not connect, and returns
// the exit status to end with (2 or 1); 0 when connected.
inline int connectBench(DataModule6& dm, const QStringList& args, const char* usage) {
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    ConnectionSettings settings;
    settings.server = args[1];
    settings.database = args.value(2, QStringLiteral("vemor_erp"));
    registerInstance(&dm);
    QString error;
    if (!dm.connectTo(settings, &error)) {
        std::fprintf(stderr, "cannot connect: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
