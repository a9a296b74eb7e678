#pragma once

#include <QString>

// The program's own places. Where it was built (and on Windows) everything lies beside the program file; once
// installed, the reader, the help page and the default directory file lie in the install layout's folders, found
// from the program's folder.
namespace velkaro::places {

// The folder that holds the program file, with native separators.
QString programFolder();

// The reader process the program reads directory files with.
QString readerProgram();

// The help page the help command opens.
QString helpPage();

// The default directory file: program folder + native separator + "base.mdb" beside the program; once installed,
// base.mdb in the program's data place (/var/lib/velkaro under the prefix /usr).
QString defaultDatabasePath();

} // namespace velkaro::places
