// Whether the program places its windows itself. Under Wayland the compositor
// does: a window learns neither its own position nor the screen's layout
// around it, so centring a window or keeping a popup on the screen by global
// coordinates places it wrongly; a popup given its spot relative to its parent
// is moved onto the screen by the compositor instead.
#pragma once

bool PlatformPlacesWindows();
