#include "server/tlscontext.h"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/ssl/context.hpp>

#include <QFileInfo>

namespace vnd::server
{

namespace ssl = boost::asio::ssl;

std::unique_ptr<ssl::context> makeServerTls(const QString &certFile, const QString &keyFile,
                                            QString &error)
{
    auto context = std::make_unique<ssl::context>(ssl::context::tls_server);
    // TLS 1.2 and up; the rest of OpenSSL's defaults (ciphers, no compression) stand.
    context->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                         ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                         ssl::context::no_tlsv1_1 | ssl::context::single_dh_use);
    const auto fail = [&](const QString &option, const QString &file, const char *why) {
        error = QStringLiteral("%1: não foi possível usar o arquivo %2 (%3)")
                    .arg(option, file, QString::fromUtf8(why));
        return nullptr;
    };
    for (const auto &[option, file] : {std::pair{QStringLiteral("--tls-cert"), certFile},
                                       std::pair{QStringLiteral("--tls-key"), keyFile}})
        if (!QFileInfo(file).isReadable())
            return fail(option, file, "não existe ou não pode ser lido");
    boost::system::error_code ec;
    context->use_certificate_chain_file(certFile.toStdString(), ec);
    if (ec)
        return fail(QStringLiteral("--tls-cert"), certFile, ec.message().c_str());
    context->use_private_key_file(keyFile.toStdString(), ssl::context::pem, ec);
    if (ec)
        return fail(QStringLiteral("--tls-key"), keyFile, ec.message().c_str());
    if (SSL_CTX_check_private_key(context->native_handle()) != 1)
        return fail(QStringLiteral("--tls-key"), keyFile, "a chave não é a do certificado");
    return context;
}

bool isLoopback(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    boost::system::error_code ec;
    const auto address = boost::asio::ip::make_address(host.toStdString(), ec);
    return !ec && address.is_loopback();
}

} // namespace vnd::server
