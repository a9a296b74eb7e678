#include "database/ConnectionString.h"

#include "places/ProgramPlaces.h"

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
    runWideConnectionString() = driverPrefix + places::defaultDatabasePath();
}

void SetDatabaseFile(const QString &path)
{
    runWideConnectionString() = driverPrefix + path;
}

} // namespace velkaro::database
