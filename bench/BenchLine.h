#pragma once
// The journal line the benchmarks save again and again: the worker, operation, product and
// price of a real line of shift 1 on a date, with a colour no real line has (so it is never a
// duplicate), found again by that colour to be deleted.
#include "bench/BenchSupport.h"
#include "journal/ShiftEntry.h"

#include <QDate>

struct BenchLine {
    QDate date;
    int worker = 0, operation = 0, product = 0;
    double price = 0;

    // The first line of shift 1 on `date`.
    static BenchLine on(QSqlDatabase db, const QDate& date) {
        QSqlQuery sample = run(db,
                               "select w_id, o_id, i_id, cena from accounts_dep.smena where data = :d and "
                               "smena = 1 limit 1",
                               {{"d", date}});
        sample.next();
        return {date, sample.value(0).toInt(), sample.value(1).toInt(), sample.value(2).toInt(),
                sample.value(3).toDouble()};
    }

    ShiftEntry::Entry entry(int colour) const {
        ShiftEntry::Entry e;
        e.workerId = worker;
        e.operationId = operation;
        e.productId = product;
        e.price = price;
        e.worker = QStringLiteral("bench");
        e.operation = QStringLiteral("bench; bench; bench");
        e.kolVo = QStringLiteral("10");
        e.brak = QStringLiteral("0");
        e.time = QStringLiteral("0");
        e.colour = QString::number(colour);
        e.date = date;
        e.shift = 1;
        return e;
    }

    // The id of the line saved with `colour`.
    int savedId(QSqlDatabase db, int colour) const {
        QSqlQuery saved = run(db, "select id from accounts_dep.smena where data=:d and color=:c",
                              {{"d", date}, {"c", colour}});
        saved.next();
        return saved.value(0).toInt();
    }
};
