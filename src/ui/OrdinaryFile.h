#pragma once

#include <QString>

namespace velkaro::ui {

// True when `path` names an existing file that is neither a folder, nor hidden, nor a system file.
bool isOrdinaryFile(const QString &path);

} // namespace velkaro::ui
