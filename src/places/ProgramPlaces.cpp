#include "places/ProgramPlaces.h"

#include <QCoreApplication>
#include <QDir>

namespace velkaro::places {

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString besideTheProgram(const QString &fileName)
{
    return programFolder() + QDir::separator() + fileName;
}

} // namespace velkaro::places
