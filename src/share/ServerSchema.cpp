#include "ServerSchema.h"

#include "PgConnection.h"

namespace mivra::share {

namespace {

// Step 1: the contacts with their versions and change order, and the positions that pushed.
const char* const kFirstServerLayout[] = {
    "CREATE TABLE mivra_share_meta (name text PRIMARY KEY, value text NOT NULL)",
    "CREATE SEQUENCE mivra_share_seq",
    "CREATE TABLE mivra_contact ("
    " uuid text PRIMARY KEY,"
    " stamp text NOT NULL,"
    " deleted boolean NOT NULL DEFAULT false,"
    " position text NOT NULL DEFAULT '',"
    " base text,"
    " fields jsonb,"
    " seq bigint NOT NULL)",
    "CREATE INDEX mivra_contact_seq ON mivra_contact (seq)",
    "CREATE TABLE mivra_position (name text PRIMARY KEY, last_push timestamptz NOT NULL DEFAULT now())",
    "INSERT INTO mivra_share_meta VALUES ('schema_version', '1')",
};

QString notShared(const QString& detail)
{
    return QStringLiteral("The database holds no Mivra shared log (%1). Make one on an empty database with "
                          "\"mivra share-init URL\".")
        .arg(detail);
}

} // namespace

int serverVersion(PgConnection& server, QString* error)
{
    const PgResult meta = server.exec(QStringLiteral("SELECT to_regclass('mivra_share_meta') IS NOT NULL,"
                                                     " (SELECT count(*) FROM pg_tables WHERE schemaname = "
                                                     "current_schema())"));
    if (!meta.ok() || meta.rows() != 1) {
        if (error)
            *error = meta.error();
        return -2;
    }
    if (meta.text(0, 0) != u"t"_qs)
        return meta.text(0, 1).toInt() == 0 ? 0 : -1;
    const PgResult version
        = server.exec(QStringLiteral("SELECT value FROM mivra_share_meta WHERE name = 'schema_version'"));
    if (!version.ok() || version.rows() != 1) {
        if (error)
            *error = version.ok() ? notShared(u"no schema version"_qs) : version.error();
        return -1;
    }
    bool number = false;
    const int value = version.text(0, 0).toInt(&number);
    return number && value > 0 ? value : -1;
}

bool initServer(PgConnection& server, QString* error)
{
    QString failure;
    if (!server.run(u"BEGIN"_qs, {}, error))
        return false;
    // One maker at a time: two positions starting together make the layout once.
    server.exec(u"SELECT pg_advisory_xact_lock(7160001)"_qs);
    const int version = serverVersion(server, &failure);
    bool ok = true;
    if (version < 0) {
        failure = version == -1 ? QStringLiteral("The database already holds other tables; a shared log needs an "
                                                 "empty database.")
                                : failure;
        ok = false;
    } else if (version > kNewestServerVersion) {
        failure = QStringLiteral("The shared log on the server has layout %1; this version of Mivra knows layouts "
                                 "up to %2. Update Mivra.")
                      .arg(version)
                      .arg(kNewestServerVersion);
        ok = false;
    } else if (version == 0) {
        for (const char* statement : kFirstServerLayout) {
            if (!server.run(QString::fromLatin1(statement), {}, &failure)) {
                ok = false;
                break;
            }
        }
    }
    if (!ok) {
        server.exec(u"ROLLBACK"_qs);
        if (error)
            *error = failure;
        return false;
    }
    return server.run(u"COMMIT"_qs, {}, error);
}

bool checkServer(PgConnection& server, QString* error)
{
    QString failure;
    const int version = serverVersion(server, &failure);
    if (version == kNewestServerVersion)
        return true;
    if (error) {
        if (version == -2)
            *error = failure;
        else if (version == 0)
            *error = notShared(u"the database is empty"_qs);
        else if (version == -1)
            *error = failure.isEmpty() ? notShared(u"it holds other tables"_qs) : failure;
        else if (version > kNewestServerVersion)
            *error = QStringLiteral("The shared log on the server has layout %1; this version of Mivra knows "
                                    "layouts up to %2. Update Mivra.")
                         .arg(version)
                         .arg(kNewestServerVersion);
        else
            *error = QStringLiteral("The shared log on the server has the older layout %1: run "
                                    "\"mivra share-init URL\" once to bring it forward.")
                         .arg(version);
    }
    return false;
}

} // namespace mivra::share
