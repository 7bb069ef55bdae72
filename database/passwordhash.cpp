#include "passwordhash.h"

#include "persiantext.h"

#include <QByteArray>
#include <sodium.h>
#include <stdexcept>

namespace Passwords {

namespace {

// The cost of a new hash: libsodium's figures for a sign-in a person waits for.
constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

void Ready()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw std::runtime_error("libsodium cannot be initialised");
}

// The UTF-8 bytes of a password, wiped when they are no longer needed.
class Secret
{
public:
    explicit Secret(const QString& password) : m_bytes(Normalised(password).toUtf8()) {}
    ~Secret() { sodium_memzero(m_bytes.data(), size_t(m_bytes.size())); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    const char* data() const { return m_bytes.constData(); }
    unsigned long long size() const { return static_cast<unsigned long long>(m_bytes.size()); }

private:
    QByteArray m_bytes;
};

// A digest of the bytes, so that two texts of any lengths are compared as two arrays
// of one length, without an early exit.
QByteArray Digest(const Secret& secret)
{
    QByteArray out(crypto_generichash_BYTES, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(out.data()), size_t(out.size()),
                       reinterpret_cast<const unsigned char*>(secret.data()), secret.size(),
                       nullptr, 0);
    return out;
}

} // namespace

QString Normalised(const QString& password)
{
    QString text = LatinDigits(password);
    for (QChar& c : text) {
        if (c.unicode() == 0x06A9) // ک
            c = QChar(0x0643);
        else if (c.unicode() == 0x06CC) // ی
            c = QChar(0x064A);
    }
    return text;
}

QString Hash(const QString& password)
{
    Ready();
    const Secret secret(password);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, secret.data(), secret.size(), kOpsLimit, kMemLimit) != 0)
        throw std::runtime_error("no memory for the password hash");
    return QString::fromLatin1(out);
}

bool IsHash(const QString& stored)
{
    return stored.startsWith(QLatin1String("$argon2id$")) ||
           stored.startsWith(QLatin1String("$argon2i$"));
}

Match Check(const QString& stored, const QString& typed)
{
    Ready();
    const Secret secret(typed);
    if (IsHash(stored)) {
        const QByteArray hash = stored.toLatin1();
        if (hash.size() >= crypto_pwhash_STRBYTES ||
            crypto_pwhash_str_verify(hash.constData(), secret.data(), secret.size()) != 0)
            return Match::No;
        return crypto_pwhash_str_needs_rehash(hash.constData(), kOpsLimit, kMemLimit) == 0
                   ? Match::Yes
                   : Match::YesRehash;
    }
    const Secret plain(stored.trimmed());
    return sodium_memcmp(Digest(plain).constData(), Digest(secret).constData(),
                         crypto_generichash_BYTES) == 0
               ? Match::YesRehash
               : Match::No;
}

void SpendCheckTime(const QString& typed)
{
    // A hash of the current cost, of a random password nobody knows; made beforehand, so
    // that even the first answer for an unknown user costs what a known user's does.
    static const QString nobody = QStringLiteral(
        "$argon2id$v=19$m=65536,t=2,p=1$0JCrzCMrEVQVKbEKWdGavA$"
        "DvYRRmmDWBXEuMqwEgv1iPl8Y1MfFLvun+j8orb2tnw");
    Check(nobody, typed);
}

} // namespace Passwords
