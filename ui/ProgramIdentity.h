// What the desktop knows the program by: its name, the desktop entry its
// windows belong to (the Wayland app id and the X11 class follow it, whatever
// the executable is called) and the window icon.
#pragma once

#include <QIcon>

// The icon theme's "orvantis", or the sizes drawn into the program's res/icons
// where the theme has none (a build tree, a user's copy).
QIcon ProgramIcon();

// Names the running application and gives every window the program's icon.
void SetProgramIdentity();
