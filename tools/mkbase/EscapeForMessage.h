#pragma once

#include <QString>
#include <QStringView>

namespace velkaro::mkbase {

// Input shown in an error message: control characters and line separators escaped (\n, \r, \t, \e, \xHH, \uHHHH)
// so that the message stays one line, and text beyond maxCharacters cut off with "...". A negative maxCharacters
// keeps all of it.
QString escapeForMessage(QStringView text, qsizetype maxCharacters = 60);

} // namespace velkaro::mkbase
