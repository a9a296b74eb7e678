#include "database/connection/ConnectionString.h"

#include "places/ProgramPlaces.h"

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
    runWideConnectionString() = kDriverPrefix + places::defaultDatabasePath();
}

void setDatabaseFile(const QString &path)
{
    runWideConnectionString() = kDriverPrefix + path;
}

} // namespace velkaro::database
