#include "ui/FontStandIns.h"

namespace velkaro::ui {

// Windows has every font the windows name.
void useStandInsForMissingWindowFonts()
{ }

} // namespace velkaro::ui
