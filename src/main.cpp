#include "AppIcon.h"
#include "FontStandIns.h"
#include "frmFinder.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    velkaro::ui::useStandInsForMissingWindowFonts();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkaro"));
    QApplication::setApplicationVersion(QStringLiteral(VELKARO_VERSION));
    QApplication::setWindowIcon(velkaro::ui::applicationIcon());

    velkaro::ui::frmFinder finder;
    finder.show();
    return QApplication::exec();
}
