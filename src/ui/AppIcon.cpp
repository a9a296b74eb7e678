#include "ui/AppIcon.h"

namespace velkaro::ui {

QIcon applicationIcon()
{
    return QIcon(QStringLiteral(":/velkaro/velkaro.ico"));
}

} // namespace velkaro::ui
