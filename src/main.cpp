#include "AppIcon.h"
#include "frmFinder.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkaro"));
    QApplication::setApplicationVersion(QStringLiteral(VELKARO_VERSION));
    QApplication::setWindowIcon(velkaro::ui::applicationIcon());

    velkaro::ui::frmFinder finder;
    finder.show();
    return QApplication::exec();
}
