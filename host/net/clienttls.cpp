#include "host/net/clienttls.h"

#include <boost/asio/ssl/context.hpp>

#include <QFileInfo>

#include <openssl/x509_vfy.h>

#include <memory>
#include <mutex>

namespace vnd::net
{

namespace ssl = boost::asio::ssl;

namespace
{

std::mutex &trustLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<ssl::context> &trust()
{
    static std::shared_ptr<ssl::context> context;
    return context;
}

std::shared_ptr<ssl::context> makeContext(const QString &caFile, QString &error)
{
    auto context = std::make_shared<ssl::context>(ssl::context::tls_client);
    context->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                         ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                         ssl::context::no_tlsv1_1);
    context->set_verify_mode(ssl::verify_peer);
    boost::system::error_code ec;
    if (caFile.isEmpty()) {
        context->set_default_verify_paths(ec);
    } else if (!QFileInfo(caFile).isReadable()) {
        error = QStringLiteral("O arquivo de autoridades certificadoras %1 não existe ou não pode "
                               "ser lido.")
                    .arg(caFile);
        return nullptr;
    } else {
        context->load_verify_file(caFile.toStdString(), ec);
    }
    if (ec) {
        error =
            QStringLiteral("O arquivo de autoridades certificadoras %1 não pôde ser usado (%2).")
                .arg(caFile.isEmpty() ? QStringLiteral("do sistema") : caFile,
                     QString::fromStdString(ec.message()));
        return nullptr;
    }
    return context;
}

} // namespace

bool setTrustedAuthorities(const QString &caFile, QString &error)
{
    std::shared_ptr<ssl::context> context = makeContext(caFile, error);
    if (!context)
        return false;
    std::lock_guard lock(trustLock());
    trust() = std::move(context);
    return true;
}

std::shared_ptr<ssl::context> clientTls()
{
    std::lock_guard lock(trustLock());
    if (!trust()) {
        QString ignored; // the system's store; without one every certificate is refused
        trust() = makeContext({}, ignored);
    }
    return trust();
}

QString certificateRefusal(long verifyResult)
{
    switch (verifyResult) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return QStringLiteral("foi emitido por uma autoridade certificadora que esta máquina não "
                              "reconhece (confira o arquivo de autoridades da configuração)");
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QStringLiteral("está vencido");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QStringLiteral("ainda não está em vigor");
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QStringLiteral("foi emitido para outro endereço");
    default:
        return QStringLiteral("não pôde ser verificado (%1)")
            .arg(QString::fromUtf8(X509_verify_cert_error_string(verifyResult)));
    }
}

} // namespace vnd::net
