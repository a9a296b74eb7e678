#include "database/connection/ConnectionString.h"

#include <QCoreApplication>
#include <QDir>

namespace velkaro::database {

namespace {

const QString kDriverPrefix = QStringLiteral("DRIVER=Microsoft Access Driver (*.mdb);DBQ=");

QString &runWideConnectionString()
{
    static QString text;
    return text;
}

} // namespace

QString ConnectionString()
{
    return runWideConnectionString();
}

void initialiseConnectionString()
{
    runWideConnectionString() = kDriverPrefix + defaultDatabasePath();
}

void setDatabaseFile(const QString &path)
{
    runWideConnectionString() = kDriverPrefix + path;
}

QString defaultDatabasePath()
{
    return programFolder() + QDir::separator() + QStringLiteral("base.mdb");
}

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

} // namespace velkaro::database
