#include "ui/AppIcon.h"
#include "ui/FontStandIns.h"
#include "ui/frmFinder.h"

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
