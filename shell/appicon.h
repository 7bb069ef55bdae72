#pragma once

#include <QIcon>

// The program's icon, from its resources (the drawing the desktop entry's icon is
// installed from). Drawn by Qt's SVG icon engine.
QIcon AmvalIcon();

// The name of the program's desktop entry (without ".desktop"), by which a desktop
// matches the program's windows to the entry and its icon.
QString AmvalDesktopFileName();
