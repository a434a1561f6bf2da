#pragma once

// The desktop's windows pointed at a bench server: its address, the demo manager's session and
// its SQLite file for the shell's lookups.

#include "benchserver.h"
#include "host/db/hostdatabase.h"
#include "host/net/clientsession.h"
#include "host/services/hostconfig.h"

namespace vnd::server::bench
{

inline void pointHostAt(const BenchServer &server)
{
    hostConfig().webUrl = QStringLiteral("127.0.0.1");
    hostConfig().webPort = server.port();
    net::ClientSession::instance().adopt(QStringLiteral("127.0.0.1"), server.port(),
                                         QByteArray::fromStdString(server.token()));
    db::openHostDatabase(QStringLiteral("sqlite:") + server.dbPath());
}

} // namespace vnd::server::bench
