#pragma once

#include <QIcon>

// The product icon, a clock face, at 16, 32 and 48 pixels, for the windows and the tray.
QIcon productIcon();
