// The start of a harness whose inputs reach texts (QtGui's fonts): Qt on the
// offscreen platform, its warnings about the fonts an input names kept out
// of the log, and limits far below the program's that keep each input cheap
// without reaching other code: pictures of at most a megapixel (the program
// opens 500, the decoding harnesses 16) and fonts of at most a 32-pixel em
// (the program goes to 4096; every size a fitting tries costs a font engine
// and every glyph an em square of Qt's cache).
#pragma once

#include <cstdio>

#include <QGuiApplication>

#include "image/ImageSize.h"
#include "platform/text/FontLimits.h"

namespace fuzzsupport {

inline void KeepSevereQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "qt: %s\n", qPrintable(message));
}

inline void StartQtHarness(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(KeepSevereQtMessages);
    pximage::SetDecodePixelLimit(1 << 20);
    SetFontEmLimit(32);
    static QGuiApplication application(*argc, *argv);
}

}  // namespace fuzzsupport
