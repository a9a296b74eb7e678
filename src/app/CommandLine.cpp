#include "app/CommandLine.h"

#include "database/connection/ConnectionString.h"
#include "places/ProgramPlaces.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTranslator>

namespace velkaro::app {

CommandLine readCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Поиск абонентов в городском телефонном справочнике (файл Access .mdb или .accdb)."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ.mdb"),
        QStringLiteral("Файл справочника для этого запуска, как выбранный в «Файл → Настройки»; без него открывается "
                       "справочник по умолчанию."),
        QStringLiteral("[ФАЙЛ.mdb]"));

    CommandLine commandLine;
    if (!parser.parse(arguments)) {
        commandLine.outcome = CommandLine::Outcome::Refuse;
        commandLine.text = parser.errorText() + u'\n';
        return commandLine;
    }
    if (parser.isSet(help)) {
        commandLine.outcome = CommandLine::Outcome::Answer;
        commandLine.text = parser.helpText();
        return commandLine;
    }
    if (parser.isSet(version)) {
        commandLine.outcome = CommandLine::Outcome::Answer;
        commandLine.text = QCoreApplication::applicationName() + QStringLiteral(", версия ")
            + QCoreApplication::applicationVersion() + u'\n';
        return commandLine;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        commandLine.outcome = CommandLine::Outcome::Refuse;
        commandLine.text = QStringLiteral("Лишний аргумент: ") + files.at(1) + QStringLiteral(" (справочник один)\n");
        return commandLine;
    }
    if (!files.isEmpty())
        commandLine.databaseFile =
            QDir::toNativeSeparators(QDir::cleanPath(QDir::current().absoluteFilePath(files.first())));
    return commandLine;
}

void useDatabaseFile(const CommandLine &commandLine)
{
    if (!commandLine.databaseFile.isEmpty())
        database::setDatabaseFile(commandLine.databaseFile);
}

bool installQtRussian(QTranslator &translator)
{
    if (!translator.load(QStringLiteral("qtbase_ru"), places::qtTranslationsFolder()))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

} // namespace velkaro::app
