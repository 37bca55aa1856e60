#pragma once

// Lets the Windows font names the windows ask for resolve to the Debian fonts that stand in
// for them: Cambria to Caladea, Arial to Liberation Sans, MS Sans Serif (bitmap-only on Debian)
// to Liberation Sans, and Tahoma from Wine's font folder, which fontconfig does not search; its
// bold is the regular face emboldened.
// Missing font files are skipped. Needs a GUI application; calling it again does nothing.
void installFontSubstitutes();
