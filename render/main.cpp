// orvantis-render: cards rendered and saved without a window, one from the
// command line or many from a CSV file.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "render/BatchRender.h"
#include "render/CardAssembly.h"
#include "render/CardThumbnail.h"
#include "render/RenderArgs.h"

namespace {

// The renderer's log holds its own messages: Qt's notices about the
// environment (no runtime folder on a cluster node, a missing font) would be
// repeated by every worker of every task. Only Qt's failures get through.
void KeepQtFailures(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "orvantis-render: %s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(KeepQtFailures);
    const RenderArgs args = ParseRenderArgs(std::vector<std::string>(argv + 1, argv + argc));
    switch (args.mode) {
    case RenderArgs::Mode::Help:
        std::fputs(RenderUsage().c_str(), stdout);
        return 0;
    case RenderArgs::Mode::Wrong:
        std::fprintf(stderr, "orvantis-render: %s\n\n%s", args.problem.c_str(), RenderUsage().c_str());
        return 2;
    default:
        break;
    }
    // No window system is needed; one named in the environment is used.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (args.mode == RenderArgs::Mode::Batch)
        return RunBatch(args, argc, argv);
    if (args.mode == RenderArgs::Mode::Thumbnail) {
        std::string error;
        if (!WriteCardThumbnail(args.cardFiles.front(), args.thumbnailSize, args.thumbnailOut, error)) {
            std::fprintf(stderr, "orvantis-render: %s: %s\n", args.cardFiles.front().c_str(), error.c_str());
            return 1;
        }
        return 0;
    }

    QGuiApplication application(argc, argv);
    std::string error;
    const bool made = CardMaker(args.templateFolder).Render(args.card, error);
    if (!made)
        std::fprintf(stderr, "orvantis-render: %s\n", error.c_str());
    // The card is written or its failure told: the process ends without
    // taking Qt down, whose font database would read the system's font
    // configuration only to free it again after a card without texts.
    std::fflush(nullptr);
    std::_Exit(made ? 0 : 1);
}
