#include "database/readtable/ReadTableFixtures.h"

#include "MkBase.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

namespace velkaro::database::test {

void RecordingSink::row(std::span<const FieldView> fields)
{
    QList<std::optional<QString>> values;
    for (const FieldView &field : fields) {
        if (field.isNull)
            values.append(std::nullopt);
        else
            values.append(QString::fromUtf8(field.data, qsizetype(field.size)));
    }
    m_rows.append(values);
}

QString writeMdb(const QString &path, const QByteArray &csv, const QString &columnList)
{
    QString error;
    if (!mkbase::writeMdbFromCsv(csv, path, &error, QStringLiteral("Base"), columnList))
        qFatal("writing %s failed: %s", qPrintable(path), qPrintable(error));
    return path;
}

QString writeDirectory(const QString &path, qint64 rows, quint64 seed)
{
    QString error;
    if (!mkbase::generateDirectory(rows, seed, path, &error))
        qFatal("writing %s failed: %s", qPrintable(path), qPrintable(error));
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

int findTableDefinitionPage(const QByteArray &mdb, const QString &columnName)
{
    const QByteArray name(reinterpret_cast<const char *>(columnName.utf16()), columnName.size() * 2);
    for (int page = 0; page < mdb.size() / kJet4PageSize; ++page) {
        const QByteArray bytes = mdb.mid(qsizetype(page) * kJet4PageSize, kJet4PageSize);
        if (bytes.at(0) == 0x02 && bytes.contains(name))
            return page;
    }
    return -1;
}

quint32 readU32(const QByteArray &bytes, qsizetype at)
{
    return quint32(readU16(bytes, at)) | (quint32(readU16(bytes, at + 2)) << 16);
}

void writeU32(QByteArray &bytes, qsizetype at, quint32 value)
{
    writeU16(bytes, at, quint16(value & 0xFFFF));
    writeU16(bytes, at + 2, quint16(value >> 16));
}

quint16 readU16(const QByteArray &bytes, qsizetype at)
{
    return quint16(quint8(bytes.at(at)) | (quint8(bytes.at(at + 1)) << 8));
}

void writeU16(QByteArray &bytes, qsizetype at, quint16 value)
{
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
}

int readerChildren()
{
    const QString parent = QString::number(getpid());
    int count = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid ...
        const QByteArray line = stat.readAll();
        const qsizetype commEnd = line.lastIndexOf(')');
        const QList<QByteArray> rest = line.mid(commEnd + 2).split(' ');
        if (line.contains("(velkaro-reader)") && rest.size() > 1 && rest.at(1) == parent.toLatin1())
            ++count;
    }
    return count;
}

} // namespace velkaro::database::test
