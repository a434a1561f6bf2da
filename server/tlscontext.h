#pragma once
// The server's TLS: one context for the process, built at start from the certificate chain and
// its private key, so a wrong file stops the start instead of failing every client later.

#include <QString>

#include <memory>

namespace boost::asio::ssl
{
class context;
}

namespace vnd::server
{

// nullptr with the reason (in Portuguese, naming the file) in `error` when a file cannot be used.
std::unique_ptr<boost::asio::ssl::context> makeServerTls(const QString &certFile,
                                                         const QString &keyFile, QString &error);

// Whether a listening address reaches this machine only (plain HTTP is for these alone).
bool isLoopback(const QString &host);

} // namespace vnd::server
