#pragma once
// The libpq connection under a Qt driver (for the data layer's own use).
#include <libpq-fe.h>
#include <QSqlDriver>
#include <QVariant>

// The driver's libpq connection; registered as "PGconn*" or, by its struct name, "pg_conn*".
inline bool pgConnection(const QSqlDriver* driver, PGconn** conn) {
    if (!driver) return false;
    const QVariant handle = driver->handle();
    if (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return false;
    *conn = *static_cast<PGconn* const*>(handle.constData());
    return true;
}
