#pragma once
// What the benchmarks on the benchmark database share: the median of a run's timings, and the
// program's data module connected to the database named on the command line.
#include "db/DataModule6.h"
#include "db/Instances.h"

#include <algorithm>
#include <cstdio>
#include <QStringList>
#include <QVector>

inline double median(QVector<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

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
