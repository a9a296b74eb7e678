#pragma once

#include <QString>

// The program's own places. On Windows, and where it was built, everything lies beside the program file; installed on
// Linux, the reader, the help page and the default directory file lie in the install layout's folders, found from
// the program's folder.
namespace velkaro::places {

// The folder that holds the program file, with native separators.
QString programFolder();

// Program folder + native separator + `fileName`; a drive root as program folder gives a doubled separator.
QString besideTheProgram(const QString &fileName);

// The reader process the program reads directory files with.
QString readerProgram();

// The help page the help command opens.
QString helpPage();

// The folder of Qt's own translations: Qt's on Linux, "translations" beside the program on Windows.
QString qtTranslationsFolder();

// The default directory file: besideTheProgram("base.mdb"); installed on Linux, base.mdb in the program's data place
// (/var/lib/velkaro under the prefix /usr).
QString defaultDatabasePath();

} // namespace velkaro::places
