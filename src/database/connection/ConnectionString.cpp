#include "database/connection/ConnectionString.h"

#include <QCoreApplication>
#include <QDir>

namespace velkaro::database {

namespace {

const QString driverPrefix = QStringLiteral("DRIVER=Microsoft Access Driver (*.mdb);DBQ=");

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

void InitialiseConnectionString()
{
    runWideConnectionString() = driverPrefix + defaultDatabasePath();
}

void SetDatabaseFile(const QString &path)
{
    runWideConnectionString() = driverPrefix + path;
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
