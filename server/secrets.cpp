#include "server/secrets.h"

#include <sodium.h>

#include <stdexcept>

namespace vnd::server
{

namespace
{

constexpr unsigned long long kOps = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t kMemory = crypto_pwhash_MEMLIMIT_INTERACTIVE;

void ready()
{
    static const bool ok = sodium_init() >= 0;
    if (!ok)
        throw std::runtime_error("libsodium could not be initialised");
}

// Zeroed when it goes, so the password does not linger in freed memory.
class SecretBytes
{
public:
    explicit SecretBytes(const QString &text) : m_bytes(text.toUtf8()) {}
    ~SecretBytes() { sodium_memzero(m_bytes.data(), size_t(m_bytes.size())); }
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;
    const char *data() const { return m_bytes.constData(); }
    unsigned long long size() const { return (unsigned long long)m_bytes.size(); }

private:
    QByteArray m_bytes;
};

} // namespace

QString hashPassword(const QString &password)
{
    ready();
    const SecretBytes secret(password);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, secret.data(), secret.size(), kOps, kMemory) != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return QString::fromLatin1(out);
}

bool passwordMatches(const QString &stored, const QString &password)
{
    ready();
    const QByteArray hash = stored.toLatin1();
    if (hash.isEmpty() || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    const SecretBytes secret(password);
    return crypto_pwhash_str_verify(hash.constData(), secret.data(), secret.size()) == 0;
}

bool passwordNeedsRehash(const QString &stored)
{
    ready();
    const QByteArray hash = stored.toLatin1();
    return crypto_pwhash_str_needs_rehash(hash.constData(), kOps, kMemory) != 0;
}

void spendPasswordCheck(const QString &password)
{
    // A hash of a password nobody has, made once with the current cost.
    static const QString decoy = hashPassword(QStringLiteral("\x01decoy"));
    passwordMatches(decoy, password);
}

QByteArray newToken()
{
    ready();
    unsigned char raw[32];
    randombytes_buf(raw, sizeof raw);
    char text[sodium_base64_ENCODED_LEN(sizeof raw, sodium_base64_VARIANT_URLSAFE_NO_PADDING)];
    sodium_bin2base64(text, sizeof text, raw, sizeof raw, sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    sodium_memzero(raw, sizeof raw);
    return QByteArray(text);
}

QByteArray tokenHash(const QByteArray &token)
{
    ready();
    unsigned char hash[32];
    crypto_generichash(hash, sizeof hash,
                       reinterpret_cast<const unsigned char *>(token.constData()),
                       (unsigned long long)token.size(), nullptr, 0);
    char hex[sizeof hash * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
    return QByteArray(hex, sizeof hash * 2);
}

} // namespace vnd::server
