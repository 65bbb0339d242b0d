#include "bars/TemplateFlows.h"

#include <functional>
#include <memory>

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "app/FileFormats.h"
#include "app/LumivexDoc.h"
#include "app/PictureTemplate.h"
#include "app/ResFolders.h"
#include "app/TemplateCatalog.h"
#include "bars/DlgTemplateName.h"
#include "controls/PreviewFileDlg.h"
#include "model/TemplateExport.h"

namespace fs = std::filesystem;

namespace {

const QString kTitle = QStringLiteral("Orvantis");
const QString kDefaultCategory = QStringLiteral("My templates");

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// The categories offered: those of every listed root and of root itself.
QStringList Categories(const fs::path& root)
{
    std::vector<fs::path> roots = TemplateRoots();
    roots.push_back(root);
    QStringList names;
    for (const auto& category : ListTemplateCategories(roots))
        if (!names.contains(Text(category->m_strName)))
            names << Text(category->m_strName);
    return names;
}

// The root among roots that holds folder as root/<category>/<name>.
const fs::path* RootOf(const fs::path& folder, const std::vector<fs::path>& roots)
{
    for (const fs::path& root : roots) {
        const fs::path relative = folder.lexically_normal().lexically_relative(root.lexically_normal());
        if (!relative.empty() && *relative.begin() != ".." && std::distance(relative.begin(), relative.end()) == 2)
            return &root;
    }
    return nullptr;
}

using Write = std::function<TemplateWriteResult(const std::string& category, const std::string& name, bool replace)>;

// The name dialog until a template is written or the user gives up: a name
// that exists is replaced only on Yes (No goes back to the dialog), a
// refused name is told and asked again.
bool NameAndWrite(QWidget* parent, const QString& title, QString name, QString category, const fs::path& root,
                  const Write& write)
{
    for (;;) {
        CDlgTemplateName dialog(title, Categories(root), name, category, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        name = dialog.Name();
        category = dialog.Category();
        TemplateWriteResult result = write(category.toStdString(), name.toStdString(), false);
        if (result.status == TemplateWriteStatus::Exists) {
            if (QMessageBox::question(parent, kTitle, Text(result.message) + QStringLiteral(" Replace it?"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
                continue;
            result = write(category.toStdString(), name.toStdString(), true);
        }
        if (result.Succeeded())
            return true;
        QMessageBox::warning(parent, kTitle, Text(result.message));
        if (result.status != TemplateWriteStatus::Refused)
            return false;
    }
}

QString AskFramePicture(QWidget* parent)
{
    CPreviewFileDlg dialog(true, QStringLiteral("*.png"), QString(), Text(FramePictureDialogFilter()), parent);
    dialog.setWindowTitle(QStringLiteral("New Template from Picture"));
    return dialog.exec() == QDialog::Accepted ? dialog.GetPathName() : QString();
}

}  // namespace

bool NewTemplateFromPictureWithDialog(QWidget* parent, CLumivexDoc& document, const fs::path& root,
                                      const QString& picture)
{
    const QString path = picture.isEmpty() ? AskFramePicture(parent) : picture;
    if (path.isEmpty())
        return false;
    // The picture is judged before anything is asked of the user.
    std::string why;
    const std::unique_ptr<WorkArea> made = OpenPictureTemplate(path.toStdString(), why);
    if (!made) {
        QMessageBox::warning(parent, kTitle, Text(why));
        return false;
    }
    return NameAndWrite(parent, QStringLiteral("New Template from Picture"), QFileInfo(path).completeBaseName(),
                        kDefaultCategory, root, [&](const std::string& category, const std::string& name, bool replace) {
                            return document.AddNewTemplate(*made, root, category, name, replace);
                        });
}

bool SaveAsNewTemplateWithDialog(QWidget* parent, CLumivexDoc& document, const fs::path& root)
{
    // The current template's own category and name are offered first.
    const fs::path current = document.TemplateDir();
    const bool listed = RootOf(current, TemplateRoots()) || RootOf(current, {root});
    const QString name = listed ? Text(current.filename().string()) : QStringLiteral("My template");
    const QString category = listed ? Text(current.parent_path().filename().string()) : kDefaultCategory;
    const bool saved = NameAndWrite(parent, QStringLiteral("Save as New Template"), name, category, root,
                                    [&](const std::string& c, const std::string& n, bool replace) {
                                        return document.SaveAsNewTemplate(root, c, n, replace);
                                    });
    if (saved)
        QMessageBox::information(parent, kTitle, QStringLiteral("Save template completed!"));
    return saved;
}

bool ExportTemplatesWithDialog(QWidget* parent, const CLumivexDoc& document, const std::vector<fs::path>& templateRoots)
{
    const fs::path current = document.TemplateDir();
    if (!RootOf(current, templateRoots)) {
        QMessageBox::warning(parent, kTitle,
                             QStringLiteral("The card's template is not one of the template library: save it with "
                                            "Save as New Template first, then export that."));
        return false;
    }
    const QString name = Text(current.filename().string());
    const QString category = Text(current.parent_path().filename().string());
    QMessageBox ask(QMessageBox::Question, kTitle,
                    QStringLiteral("Export the template \"%1\" alone, or every template of the category \"%2\"?")
                        .arg(name, category),
                    QMessageBox::Cancel, parent);
    QPushButton* one = ask.addButton(QStringLiteral("This Template"), QMessageBox::AcceptRole);
    QPushButton* all = ask.addButton(QStringLiteral("Whole Category"), QMessageBox::AcceptRole);
    ask.setDefaultButton(one);
    ask.exec();
    if (ask.clickedButton() != one && ask.clickedButton() != all)
        return false;

    std::vector<fs::path> templates{current};
    if (ask.clickedButton() == all)
        for (const auto& listed : ListTemplateCategories(templateRoots))
            if (Text(listed->m_strName) == category) {
                LoadCategoryTemplates(*listed);
                templates = listed->m_templates;
            }
    CPreviewFileDlg dialog(false, QStringLiteral("*.zip"), (ask.clickedButton() == all ? category : name) + ".zip",
                           QStringLiteral("template packages|*.zip||"), parent);
    dialog.setWindowTitle(QStringLiteral("Export Template Package"));
    if (dialog.exec() != QDialog::Accepted || dialog.GetPathName().isEmpty())
        return false;
    const TemplateExportResult result = ExportTemplatePackage(templates, dialog.GetPathName().toStdString());
    if (result.written)
        QMessageBox::information(parent, kTitle, Text(result.message));
    else
        QMessageBox::warning(parent, kTitle, Text(result.message));
    return result.written;
}
