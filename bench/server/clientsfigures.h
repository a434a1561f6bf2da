#pragma once
// The figures of clients slower or stranger than the database, against the real server
// executable: one function each, which prints its lines and answers whether its goal was met.

#include "soakprocess.h"

#include <string>
#include <vector>

namespace vnd::soak
{

// Connections that send a request and never read its answer.
class StalledReaders
{
public:
    StalledReaders(int port, int count, const std::string &request);
    ~StalledReaders();
    StalledReaders(const StalledReaders &) = delete;
    StalledReaders &operator=(const StalledReaders &) = delete;
    int count() const { return int(m_sockets.size()); }
    // Those the server has not closed.
    int open() const;

private:
    std::vector<int> m_sockets;
};

// A getItemPreco of every product of table 001's current period, in CBOR.
std::string allItemsRequest(const std::string &periodStart);

bool memoryUnderBombs(const ServerProcess &server, int bombs);
bool http10KeepAlive(const ServerProcess &server, int requests);
// With the readers connected: the probe's latency while their answers are read from the
// database and once they wait for their clients.
bool probeWithStalledReaders(const ServerProcess &server, const StalledReaders &stalled);
bool walAfterBulkUpdates(const ServerProcess &server, int updates, const std::string &periodStart);
// Stops the server: run last.
bool stopWithStalledReaders(ServerProcess &server, const StalledReaders &stalled);

} // namespace vnd::soak
