// places-probe: prints the program's folder and its default directory file, as the program at its place sees them.
#include "places/ProgramPlaces.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    std::printf("%s\n%s\n", qUtf8Printable(velkaro::places::programFolder()),
        qUtf8Printable(velkaro::places::defaultDatabasePath()));
    return 0;
}
