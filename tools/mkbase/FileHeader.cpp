#include "FileHeader.h"

#include "HeaderPage.h"
#include "Rc4.h"

#include <QtEndian>

#include <cstring>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

namespace {

constexpr qsizetype kDatabaseKeyAt = 0x3E;
constexpr qsizetype kPasswordAt = 0x42;
constexpr qsizetype kCreationDateAt = 0x72;
constexpr qsizetype kEncryptionInfoAt = 0x299;

struct FormatEntry
{
    AccessFormat format;
    quint8 version;
    const char16_t *name;
};

constexpr FormatEntry kFormats[] = {
    {AccessFormat::Jet3, 0x00, u"jet3"},
    {AccessFormat::Jet4, 0x01, u"jet4"},
    {AccessFormat::Ace12, 0x02, u"ace12"},
    {AccessFormat::Ace14, 0x03, u"ace14"},
    {AccessFormat::Ace15, 0x04, u"ace15"},
    {AccessFormat::Ace16, 0x05, u"ace16"},
    {AccessFormat::Ace17, 0x06, u"ace17"},
};

bool isJet3(const QByteArray &file)
{
    return file.at(jet::kVersionAt) == 0;
}

qsizetype pageSize(const QByteArray &file)
{
    return isJet3(file) ? 2048 : 4096;
}

// Unmasks the header's RC4 part, lets edit change it and masks it again.
template <typename Edit> void editMaskedHeader(QByteArray &file, Edit edit)
{
    auto *header = reinterpret_cast<quint8 *>(file.data());
    jet::toggleHeaderMask(header);
    edit(header);
    jet::toggleHeaderMask(header);
}

// Agile encryption information with the descriptor values Access 2010 and later write (SHA-512, AES-256 in CBC
// mode, 100,000 rounds); the salts and encrypted values are fixed bytes, so no password opens the file.
QByteArray agileEncryptionInfo()
{
    const QByteArray salt = QByteArray(16, '\x5A').toBase64();
    const QByteArray block = QByteArray(64, '\xA5').toBase64();
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                           "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
                           "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
                           "<keyData saltSize=\"16\" blockSize=\"16\" keyBits=\"256\" hashSize=\"64\" "
                           "cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"SHA512\" "
                           "saltValue=\""
        + salt
        + "\"/><keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
          "<p:encryptedKey spinCount=\"100000\" saltSize=\"16\" blockSize=\"16\" keyBits=\"256\" hashSize=\"64\" "
          "cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"SHA512\" saltValue=\""
        + salt + "\" encryptedVerifierHashInput=\"" + QByteArray(16, '\x33').toBase64()
        + "\" encryptedVerifierHashValue=\"" + block + "\" encryptedKeyValue=\"" + QByteArray(32, '\x77').toBase64()
        + "\"/></keyEncryptor></keyEncryptors></encryption>";
    QByteArray info(8, '\0');
    qToLittleEndian<quint16>(4, info.data()); // version 4.4: agile
    qToLittleEndian<quint16>(4, info.data() + 2);
    qToLittleEndian<quint32>(0x40, info.data() + 4); // reserved, always 0x40
    return info + xml;
}

} // namespace

quint8 formatVersionByte(AccessFormat format)
{
    for (const FormatEntry &entry : kFormats) {
        if (entry.format == format)
            return entry.version;
    }
    return 0;
}

QString formatName(AccessFormat format)
{
    for (const FormatEntry &entry : kFormats) {
        if (entry.format == format)
            return QString::fromUtf16(entry.name);
    }
    return {};
}

bool parseFormatName(const QString &name, AccessFormat *format)
{
    for (const FormatEntry &entry : kFormats) {
        if (name.compare(QString::fromUtf16(entry.name), Qt::CaseInsensitive) == 0) {
            *format = entry.format;
            return true;
        }
    }
    return false;
}

void setAceFormat(QByteArray &file, AccessFormat format)
{
    std::memcpy(file.data() + 4, "Standard ACE DB", 16);
    file[jet::kVersionAt] = char(formatVersionByte(format));
}

bool setDatabasePassword(QByteArray &file, const QString &password, QString *error)
{
    const qsizetype limit = 20;
    if (password.size() > limit) {
        *error = u"a database password has at most %1 characters"_s.arg(limit);
        return false;
    }
    for (const QChar c : password) {
        if (c.unicode() == 0 || c.unicode() > 0xFF) {
            *error = u"a database password here takes Latin-1 characters only"_s;
            return false;
        }
    }
    const bool jet3 = isJet3(file);
    editMaskedHeader(file, [&](quint8 *header) {
        if (jet3) {
            std::memset(header + kPasswordAt, 0, limit);
            for (qsizetype i = 0; i < password.size(); ++i)
                header[kPasswordAt + i] = quint8(password.at(i).unicode());
            return;
        }
        double date = 0;
        std::memcpy(&date, header + kCreationDateAt, sizeof date);
        const auto days = qToLittleEndian(qint32(date));
        quint8 mask[4];
        std::memcpy(mask, &days, 4);
        for (qsizetype i = 0; i < 2 * limit; ++i) {
            const quint16 unit = i / 2 < password.size() ? password.at(i / 2).unicode() : 0;
            header[kPasswordAt + i] = quint8(i % 2 == 0 ? unit : unit >> 8) ^ mask[i % 4];
        }
    });
    return true;
}

void encodePages(QByteArray &file, quint32 databaseKey)
{
    editMaskedHeader(file, [&](quint8 *header) { qToLittleEndian(databaseKey, header + kDatabaseKeyAt); });
    const qsizetype size = pageSize(file);
    for (qsizetype page = 1; page < file.size() / size; ++page) {
        quint8 key[4];
        qToLittleEndian(databaseKey ^ quint32(page), key);
        rc4(key, 4, reinterpret_cast<quint8 *>(file.data()) + page * size, size);
    }
}

void markAceEncrypted(QByteArray &file)
{
    editMaskedHeader(file, [](quint8 *header) { qToLittleEndian<quint32>(0x2B7C5A19, header + kDatabaseKeyAt); });
    const QByteArray info = agileEncryptionInfo();
    qToLittleEndian<quint16>(quint16(info.size()), file.data() + kEncryptionInfoAt);
    file.replace(kEncryptionInfoAt + 2, info.size(), info);
}

} // namespace velkaro::mkbase
