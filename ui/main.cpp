// Orvantis: one application, one document, one main window.
#include <QApplication>

#include "app/LumivexApp.h"
#include "ui/MainFrame.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Orvantis");
    CLumivexApp program;
    if (!program.InitInstance([](CLumivexDoc& document) { return std::make_unique<CMainFrame>(document); }))
        return 1;
    return QApplication::exec();
}
