#pragma once

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

struct sqlite3;

namespace mivra {

// The SQLite connection under a QtSql one, for work that runs a statement for every row of a
// big log (binding through QtSql costs more than the statement); nullptr when the connection
// is not an open SQLite database.
inline sqlite3* sqliteHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

} // namespace mivra
