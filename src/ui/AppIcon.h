#pragma once

#include <QIcon>

namespace velkaro::ui {

// The program's icon: 32×32 in 2 and in 16 colours, 16×16 in 16 colours.
QIcon applicationIcon();

} // namespace velkaro::ui
