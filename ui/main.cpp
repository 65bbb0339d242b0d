// Orvantis: one application, one document, one main window; or, from the
// command line, a template package imported, a template made or exported,
// or a text printed, without any window.
#include <QApplication>

#include <cstdio>

#include "app/CardAutosave.h"
#include "app/PictureTemplate.h"
#include "app/RecoverySlots.h"
#include "bars/RecoveryFlow.h"
#include "app/ResFolders.h"
#include "controls/VersionReader.h"
#include "model/TemplateExport.h"
#include "model/TemplatePackage.h"
#include "model/TemplateStore.h"
#include "model/WorkArea.h"
#include "ui/CommandLine.h"
#include "ui/LumivexApp.h"
#include "ui/MainFrame.h"
#include "ui/ProgramIdentity.h"

namespace {

// The outcome goes to standard output, a failure to standard error; the
// exit status is 0 only when the whole package was imported.
int ImportPackage(const std::string& package)
{
    const TemplateImportResult result = ImportTemplatePackage(package, WritableResFolder());
    std::fprintf(result.Succeeded() ? stdout : stderr, "%s\n", result.message.c_str());
    return result.Succeeded() ? 0 : 1;
}

// Like the import: the outcome on standard output, a failure on standard
// error, 0 only when the template was written. A template of the same name
// is kept unless --replace says otherwise.
int NewTemplate(const CommandLine& line)
{
    std::string why;
    const std::unique_ptr<WorkArea> made = OpenPictureTemplate(line.files.front(), why);
    if (!made) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    const TemplateWriteResult result =
        WriteNewTemplate(*made, WritableTemplateRoot(), line.category, line.name, line.replace);
    if (!result.Succeeded()) {
        std::fprintf(stderr, "%s%s\n", result.message.c_str(),
                     result.status == TemplateWriteStatus::Exists ? " Give --replace to replace it." : "");
        return 1;
    }
    std::printf("%s (%s)\n", result.message.c_str(), result.folder.c_str());
    return 0;
}

int ExportTemplate(const CommandLine& line)
{
    const std::vector<std::filesystem::path> templates = TemplatesIn(line.files.front());
    const TemplateExportResult result = templates.empty()
                                            ? TemplateExportResult{false, "Export failed: " + line.files.front() +
                                                                              " is no template folder and holds none.", 0}
                                            : ExportTemplatePackage(templates, line.output);
    std::fprintf(result.written ? stdout : stderr, "%s\n", result.message.c_str());
    return result.written ? 0 : 1;
}

int PrintVersion()
{
    CVersionReader reader;
    if (!reader.LoadFromExecutable()) {
        std::fprintf(stderr, "the program's version block cannot be read\n");
        return 1;
    }
    std::fputs(VersionText(reader.GetValue(QStringLiteral("ProductVersion")).toStdString()).c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const CommandLine line = ParseCommandLine(argc, argv);
    switch (line.action) {
    case CommandLine::Action::Import: return ImportPackage(line.files.front());
    case CommandLine::Action::NewTemplate: return NewTemplate(line);
    case CommandLine::Action::ExportTemplate: return ExportTemplate(line);
    case CommandLine::Action::Help: std::fputs(UsageText(argv[0]).c_str(), stdout); return 0;
    case CommandLine::Action::Version: return PrintVersion();
    case CommandLine::Action::Wrong:
        std::fprintf(stderr, "%s: %s\n%s", argv[0], line.problem.c_str(), UsageText(argv[0]).c_str());
        return 2;
    case CommandLine::Action::Run: break;
    }

    QApplication application(argc, argv);
    SetProgramIdentity();
    CLumivexApp program;
    CMainFrame* frame = StartMainFrame(program);
    if (!frame)
        return 1;
    // The card is kept behind the user's back; what an earlier run kept and
    // could not let go of is offered back first.
    const std::filesystem::path recovery = RecoveryFolder();
    CardAutosave autosave(*program.GetDocument(), recovery);
    ConnectAutosave(*frame, autosave);
    OfferRecoveredCards(frame, *program.GetDocument(), autosave, recovery);
    // A photo that cannot be read is told on standard error; the others open.
    QStringList photos, errors;
    for (const std::string& file : line.files)
        photos << QString::fromLocal8Bit(file.c_str());
    frame->OpenFiles(photos, &errors);
    for (const QString& error : errors)
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
    const int status = QApplication::exec();
    // A normal quit: the user kept the card or chose not to.
    autosave.RemoveSlot();
    return status;
}
