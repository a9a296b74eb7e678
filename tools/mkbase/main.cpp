#include "RunMkBase.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream errors(stderr);
    return velkaro::mkbase::runMkBase(QCoreApplication::arguments(), errors);
}
