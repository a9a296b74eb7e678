#include "app/CommandLine.h"
#include "ui/AppIcon.h"
#include "ui/FontStandIns.h"
#include "ui/frmFinder.h"

#include <QApplication>
#include <QTranslator>

#include <cstdio>

namespace {

void setApplicationNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("Velkaro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELKARO_VERSION));
}

// The command line is read before any window system is touched, so --help and --version answer without a display.
velkaro::app::CommandLine readCommandLine(int &argc, char *argv[])
{
    QCoreApplication core(argc, argv);
    setApplicationNames();
    QTranslator qtRussian;
    velkaro::app::installQtRussian(qtRussian);
    return velkaro::app::readCommandLine(QCoreApplication::arguments());
}

} // namespace

int main(int argc, char *argv[])
{
    const velkaro::app::CommandLine commandLine = readCommandLine(argc, argv);
    switch (commandLine.outcome) {
    case velkaro::app::CommandLine::Outcome::Answer:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stdout);
        return 0;
    case velkaro::app::CommandLine::Outcome::Refuse:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stderr);
        return 2;
    case velkaro::app::CommandLine::Outcome::Start:
        break;
    }

    velkaro::ui::useStandInsForMissingWindowFonts();
    QApplication app(argc, argv);
    setApplicationNames();
    QApplication::setWindowIcon(velkaro::ui::applicationIcon());
    QTranslator qtRussian;
    velkaro::app::installQtRussian(qtRussian);

    velkaro::ui::frmFinder finder;
    velkaro::app::useDatabaseFile(commandLine);
    finder.show();
    return QApplication::exec();
}
