#pragma once
// How this process trusts the application server's certificate: the system's store, or the
// authorities of one CA file named in the settings. One context for the process, built once.

#include <QString>

#include <memory>

namespace boost::asio::ssl
{
class context;
}

namespace vnd::net
{

// Empty: the system's store. False with the reason (Portuguese, naming the file) when the
// file holds no certificate that can be used; the trust in force is then left as it was.
bool setTrustedAuthorities(const QString &caFile, QString &error);

// The context every https:// connection of this process verifies with; a connection keeps
// the one it started with.
std::shared_ptr<boost::asio::ssl::context> clientTls();

// The user's words for a certificate that did not verify (OpenSSL's X509_V_ERR_* code).
QString certificateRefusal(long verifyResult);

} // namespace vnd::net
