#include "ui/FontStandIns.h"

#include <QFont>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace velkaro::ui {

// Substitutes count only where the font database lacks the family: Windows keeps "MS Sans Serif" as a bitmap font,
// which Qt may not list. The system's own substitute for it comes first, then a font with Arial's metrics.
void useStandInsForMissingWindowFonts()
{
    const QStringList standIns {u"Microsoft Sans Serif"_s, u"Arial"_s, u"Liberation Sans"_s};
    QFont::insertSubstitutions(u"MS Sans Serif"_s, standIns);
}

} // namespace velkaro::ui
