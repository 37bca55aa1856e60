#pragma once

#include <QIcon>

// The product icon the About box shows, with images of 48, 32 and 16 pixels.
// For now a clock face of our own; the main window's icon takes its place once it exists.
QIcon productIcon();
