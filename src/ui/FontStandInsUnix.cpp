#include "ui/FontStandIns.h"

#include <fontconfig/fontconfig.h>

namespace velkaro::ui {

void useStandInsForMissingWindowFonts()
{
    // Runs after the system's own rules, so the names it adds are final: the metric twins of Arial first.
    static const char rules[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <match target="pattern">
    <test name="family"><string>MS Sans Serif</string></test>
    <edit name="family" mode="append" binding="strong">
      <string>Microsoft Sans Serif</string>
      <string>Arial</string>
      <string>Liberation Sans</string>
      <string>Arimo</string>
    </edit>
  </match>
</fontconfig>
)";
    FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8 *>(rules), FcTrue);
}

} // namespace velkaro::ui
