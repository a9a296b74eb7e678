#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

namespace velkaro::app {

// What the program's command line asks for: start (on the default directory or on FILE.mdb), an answer on the
// terminal (--help, --version) or a refusal (an unknown option, a second file).
struct CommandLine
{
    enum class Outcome { Start, Answer, Refuse };
    Outcome outcome = Outcome::Start;
    QString databaseFile; // FILE.mdb made absolute, native separators; empty for the default directory
    QString text; // the answer for stdout, or the one line for stderr
};

// Reads the arguments (the program's own name first). Needs the application object, whose translator words
// the parser's own texts.
CommandLine readCommandLine(const QStringList &arguments);

// Points the run at FILE.mdb exactly as the settings dialog's OK does; called once the main window has loaded and
// before the event loop runs, when the window reads ahead the file it then names (the default is never read).
void useDatabaseFile(const CommandLine &commandLine);

// Loads Qt's own Russian texts (standard buttons, context menus, the parser's help) into translator and installs
// it; false when Qt's Russian translation is not installed.
bool installQtRussian(QTranslator &translator);

} // namespace velkaro::app
