#pragma once

namespace velkaro::ui {

// The windows name the fonts of their original desktop ("MS Sans Serif", "Arial"). Where "MS Sans Serif" is missing,
// the font matcher would fall back to its default sans font, which is wider than the labels sized for it; this has
// it take a font with Arial's metrics instead. Call once before the application object exists.
void useStandInsForMissingWindowFonts();

} // namespace velkaro::ui
