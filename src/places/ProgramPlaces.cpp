#include "places/ProgramPlaces.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velkaro::places {

namespace {

#ifdef Q_OS_WIN
const QString readerFileName = QStringLiteral("velkaro-reader.exe");
#else
const QString readerFileName = QStringLiteral("velkaro-reader");
#endif

// A reader beside the program marks the build folder (or a Windows install): everything else lies there too.
bool everythingBesideTheProgram()
{
    return QFileInfo::exists(QCoreApplication::applicationDirPath() + u'/' + readerFileName);
}

QString installPrefix()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" VELKARO_PREFIX_FROM_BINDIR));
}

QString underPrefix(const char *folder)
{
    return installPrefix() + u'/' + QString::fromUtf8(folder);
}

// The variable-data folder follows the file-system hierarchy: /var for the prefix /usr, PREFIX/var elsewhere.
QString stateFolder()
{
    const QString prefix = installPrefix();
    return (prefix == QStringLiteral("/usr") ? QString() : prefix) + QStringLiteral("/" VELKARO_STATE_DIR);
}

QString besideTheProgram(const QString &fileName)
{
    return programFolder() + QDir::separator() + fileName;
}

} // namespace

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString readerProgram()
{
    if (everythingBesideTheProgram())
        return QCoreApplication::applicationDirPath() + u'/' + readerFileName;
    return underPrefix(VELKARO_PRIVATE_DIR) + u'/' + readerFileName;
}

QString helpPage()
{
    if (everythingBesideTheProgram())
        return besideTheProgram(QStringLiteral("help.html"));
    return QDir::toNativeSeparators(underPrefix(VELKARO_DATA_DIR) + QStringLiteral("/help.html"));
}

QString defaultDatabasePath()
{
    if (everythingBesideTheProgram())
        return besideTheProgram(QStringLiteral("base.mdb"));
    return QDir::toNativeSeparators(stateFolder() + QStringLiteral("/base.mdb"));
}

} // namespace velkaro::places
