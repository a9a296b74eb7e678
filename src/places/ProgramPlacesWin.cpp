#include "places/ProgramPlaces.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace velkaro::places {

// Built or installed, everything lies beside the program file.

QString readerProgram()
{
    return QCoreApplication::applicationDirPath() + u"/velkaro-reader.exe"_s;
}

QString helpPage()
{
    return besideTheProgram(u"help.html"_s);
}

QString qtTranslationsFolder()
{
    return QCoreApplication::applicationDirPath() + u"/translations"_s;
}

QString defaultDatabasePath()
{
    return besideTheProgram(u"base.mdb"_s);
}

} // namespace velkaro::places
