#include "places/ProgramPlaces.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

using namespace Qt::StringLiterals;

namespace velkaro::places {

namespace {

const QString readerFileName = u"velkaro-reader"_s;

// A reader beside the program marks the build folder: everything else lies there too.
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
    return (prefix == u"/usr"_s ? QString() : prefix) + QStringLiteral("/" VELKARO_STATE_DIR);
}

} // namespace

QString readerProgram()
{
    if (everythingBesideTheProgram())
        return QCoreApplication::applicationDirPath() + u'/' + readerFileName;
    return underPrefix(VELKARO_PRIVATE_DIR) + u'/' + readerFileName;
}

QString helpPage()
{
    if (everythingBesideTheProgram())
        return besideTheProgram(u"help.html"_s);
    return QDir::toNativeSeparators(underPrefix(VELKARO_DATA_DIR) + u"/help.html"_s);
}

QString qtTranslationsFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QString defaultDatabasePath()
{
    if (everythingBesideTheProgram())
        return besideTheProgram(u"base.mdb"_s);
    return QDir::toNativeSeparators(stateFolder() + u"/base.mdb"_s);
}

} // namespace velkaro::places
