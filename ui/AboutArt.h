#pragma once

#include <QCursor>
#include <QIcon>

// The About box's own artwork, drawn here rather than loaded from files.

// A pointing hand, 32 x 32, hot spot (12, 1) at the fingertip.
QCursor linkCursor();

// The About box's window icon in 16-colour style, with 32 x 32 and 16 x 16 images.
QIcon aboutWindowIcon();
