#include "AccessFileKind.h"

#include "EscapeForMessage.h"
#include "WriteMdbFromCsv.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

namespace {

bool isAce(AccessFormat format)
{
    return format != AccessFormat::Jet3 && format != AccessFormat::Jet4;
}

bool applyKind(QByteArray &file, const AccessFileKind &kind, QString *error)
{
    if (kind.encrypted && !isAce(kind.format)) {
        *error = u"only ACE files are encrypted; Jet files encode their pages"_s;
        return false;
    }
    if (kind.pageKey != 0 && isAce(kind.format)) {
        *error = u"ACE files are encrypted, not encoded"_s;
        return false;
    }
    if (!(kind.edits.moved.isEmpty() && kind.edits.deleted.isEmpty()) && !applyRowEdits(file, kind.edits, error))
        return false;
    for (const auto &[row, damage] : kind.damages) {
        if (!damageMovedRow(file, row, damage, error))
            return false;
    }
    if (isAce(kind.format))
        setAceFormat(file, kind.format);
    if (!kind.password.isEmpty() && !setDatabasePassword(file, kind.password, error))
        return false;
    if (kind.pageKey != 0)
        encodePages(file, kind.pageKey);
    if (kind.encrypted)
        markAceEncrypted(file);
    return true;
}

} // namespace

bool finishAccessFile(const QString &path, const AccessFileKind &kind, QString *error)
{
    const bool unchanged = kind.format != AccessFormat::Jet3 && !isAce(kind.format) && kind.edits.moved.isEmpty()
        && kind.edits.deleted.isEmpty() && kind.damages.isEmpty() && kind.password.isEmpty() && kind.pageKey == 0
        && !kind.encrypted;
    if (unchanged)
        return true;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = u"cannot read %1: %2"_s.arg(escapeForMessage(path, -1), in.errorString());
        return false;
    }
    QByteArray file = in.readAll();
    in.close();
    if (!applyKind(file, kind, error))
        return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size() || !out.commit()) {
        *error = u"cannot write %1: %2"_s.arg(escapeForMessage(path, -1), out.errorString());
        return false;
    }
    return true;
}

bool writeAccessFile(const QByteArray &csvUtf8, const QString &path, const AccessFileKind &kind, QString *error,
    const QString &table, const QString &columnList)
{
    const bool written = kind.format == AccessFormat::Jet3
        ? writeJet3FromCsv(csvUtf8, u"CSV input"_s, path, kind.jet3, error, table, columnList)
        : writeMdbFromCsv(csvUtf8, path, error, table, columnList);
    return written && finishAccessFile(path, kind, error);
}

} // namespace velkaro::mkbase
