// Orvantis: one application, one document, one main window; or, with
// `--import PACKAGE.zip`, a template package imported without any window.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "app/LumivexApp.h"
#include "app/ResFolders.h"
#include "model/TemplatePackage.h"
#include "ui/MainFrame.h"

namespace {

// The outcome goes to standard output, a failure to standard error; the
// exit status is 0 only when the whole package was imported.
int ImportFromCommandLine(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s --import PACKAGE.zip\n", argv[0]);
        return 2;
    }
    const TemplateImportResult result = ImportTemplatePackage(argv[2], WritableResFolder());
    std::fprintf(result.Succeeded() ? stdout : stderr, "%s\n", result.message.c_str());
    return result.Succeeded() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--import") == 0)
        return ImportFromCommandLine(argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName("Orvantis");
    CLumivexApp program;
    if (!program.InitInstance([](CLumivexDoc& document) { return std::make_unique<CMainFrame>(document); }))
        return 1;
    return QApplication::exec();
}
