#include "controls/WindowPlacement.h"

#include <QGuiApplication>

bool PlatformPlacesWindows()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
