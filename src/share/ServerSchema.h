#pragma once

#include <QString>

namespace mivra::share {

class PgConnection;

// The layout of the shared log on the server, kept in mivra_share_meta under "schema_version" and
// brought forward by numbered steps like the local log's.
inline constexpr int kNewestServerVersion = 1;

// The server's shared log layout: the version, 0 for an empty database, -1 for a database that
// holds something else (tables but no shared log); *error says why on failure.
int serverVersion(PgConnection& server, QString* error);

// Makes the shared log on an empty database or brings an older one to the newest layout, in one
// transaction. Refuses a database holding something else or a newer layout, with a message.
bool initServer(PgConnection& server, QString* error);

// Checks that the server holds a shared log of this program's layout; a message when not.
bool checkServer(PgConnection& server, QString* error);

} // namespace mivra::share
