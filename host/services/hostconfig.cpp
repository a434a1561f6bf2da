#include "host/services/hostconfig.h"

namespace vnd
{

HostConfig &hostConfig()
{
    static HostConfig config;
    return config;
}

QString WebURL()
{
    return hostConfig().webUrl;
}

int WebPort()
{
    return hostConfig().webPort;
}

std::optional<ServerAddress> parseServerAddress(const QString &text)
{
    QString t = text.trimmed();
    // "https://HOST:PORT": the scheme stays with the host, where the connection reads TLS.
    QString scheme;
    for (const QLatin1String s : {QLatin1String("https://"), QLatin1String("http://")})
        if (t.startsWith(s, Qt::CaseInsensitive)) {
            scheme = t.left(s.size()).toLower();
            t = t.mid(s.size());
            break;
        }
    const qsizetype colon = t.lastIndexOf(u':');
    if (colon <= 0)
        return std::nullopt;
    QString host = t.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(u':'))
        return std::nullopt; // an unbracketed IPv6 address is ambiguous
    bool ok = false;
    const int port = t.mid(colon + 1).toInt(&ok);
    if (host.isEmpty() || !ok || port < 1 || port > 65535)
        return std::nullopt;
    return ServerAddress{scheme + host, port};
}

} // namespace vnd
