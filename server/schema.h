#pragma once
// The versioned schema: each migration moves the database one version up, in one
// transaction, and records the version reached in schema_version.

#include "server/database.h"

namespace vnd::server
{

class Schema
{
public:
    // The version this program writes.
    static int latestVersion();
    // 0 for an empty database.
    static int currentVersion(const Database &database);
    // Applies every migration above the current version, up to target (an older one only
    // to make a database as an older program left it); returns the version reached.
    // Throws DbError, or std::runtime_error for a database newer than this program.
    static int upgrade(const Database &database, int target = latestVersion());
};

} // namespace vnd::server
