#include "MdbReaderScript.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

using namespace Qt::StringLiterals;

bool readWithMdbReader(const QString &path, const QString &table, QJsonObject *out, QString *error)
{
    const QDir nodeDir(QStringLiteral(VELKARO_MDB_READER_DIR));
    if (!QFile::exists(nodeDir.filePath(u"node_modules/mdb-reader/package.json"_s))) {
        *error = u"mdb-reader is not installed in %1; run: npm ci --prefix tests/mkbase/node"_s.arg(nodeDir.path());
        return false;
    }
    QProcess node;
    node.start(u"node"_s, {nodeDir.filePath(u"read_with_mdb_reader.mjs"_s), path, table});
    if (!node.waitForStarted()) {
        *error = u"cannot start node: %1"_s.arg(node.errorString());
        return false;
    }
    node.closeWriteChannel();
    if (!node.waitForFinished(120'000) || node.exitStatus() != QProcess::NormalExit || node.exitCode() != 0) {
        *error = u"mdb-reader failed: %1"_s.arg(QString::fromUtf8(node.readAllStandardError()));
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(node.readAllStandardOutput(), &parseError);
    if (!document.isObject()) {
        *error = u"mdb-reader printed no JSON: %1"_s.arg(parseError.errorString());
        return false;
    }
    *out = document.object();
    return true;
}
