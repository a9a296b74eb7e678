#pragma once

#include <QStringList>
#include <QTextStream>

namespace velkaro::mkbase {

// The command-line body of velkaro-mkbase; arguments start with the program name. Returns the exit code; errors go
// to errors as one line each, help text to standard output.
int runMkBase(const QStringList &arguments, QTextStream &errors);

} // namespace velkaro::mkbase
