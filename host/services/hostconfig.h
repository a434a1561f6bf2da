#pragma once
// The host's configuration: where the application server listens, which database the host
// uses and the product-code picture. The shell fills it at start-up (settings file, then
// command line); the module reads it through WebURL/WebPort.

#include <QString>

#include <optional>

namespace vnd
{

struct HostConfig {
    QString webUrl = QStringLiteral("127.0.0.1");
    int webPort = 42700;
    QString database; // "sqlite:PATH" or "postgresql://..."
    QString productPicture = QStringLiteral("9.99.999.9999");
};

// The configuration in force (one per process).
HostConfig &hostConfig();

// Host and port of the application server.
QString WebURL();
int WebPort();

// "HOST:PORT" -> host and port; nullopt when malformed (no colon, empty host, port outside
// 1..65535). A bracketed IPv6 host "[::1]:80" is accepted.
struct ServerAddress {
    QString host;
    int port = 0;
};
std::optional<ServerAddress> parseServerAddress(const QString &text);

} // namespace vnd
