#include "bars/DlgBarTemplate.h"

#include <QAction>
#include <QFileDialog>
#include <QMessageBox>

#include "app/LumivexDoc.h"
#include "app/ResFolders.h"
#include "bars/CardCommands.h"
#include "bars/DlgTemplateSel.h"
#include "controls/PxSkinButton.h"
#include "model/TemplatePackage.h"

CDlgBarTemplate::CDlgBarTemplate(CLumivexDoc& document, const CardCommands& commands, const SkinBitmap* background,
                                 const SkinBitmap* label, QWidget* parent)
    : CSubBar(background, label, {}, parent), m_document(document)
{
    m_btnSelect = AddSkinButton(IDC_TPL_SELECT, "seltpl", {47, 7});
    m_btnSave = AddSkinButton(IDC_TPL_SAVE, "savetpl", {165, 7});
    m_btnImport = AddSkinButton(IDC_TPL_IMPORT, "imptpl", {283, 7});
    m_btnNew = AddSkinButton(IDC_TPL_NEW, "newtpl", {401, 7});
    connect(m_btnSelect, &QAbstractButton::clicked, this, &CDlgBarTemplate::OnSelectTemplate);
    connect(m_btnSave, &QAbstractButton::clicked, this, &CDlgBarTemplate::OnSaveTemplate);
    connect(m_btnImport, &QAbstractButton::clicked, this, &CDlgBarTemplate::OnImportTemplate);
    BindButton(m_btnNew, commands.newTemplateFromPicture);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addActions({commands.newTemplateFromPicture, commands.saveAsNewTemplate, commands.exportTemplates});
}

PxSkinButton* CDlgBarTemplate::Button(int id) const
{
    switch (id) {
    case IDC_TPL_SELECT: return m_btnSelect;
    case IDC_TPL_SAVE: return m_btnSave;
    case IDC_TPL_IMPORT: return m_btnImport;
    case IDC_TPL_NEW: return m_btnNew;
    default: return nullptr;
    }
}

void CDlgBarTemplate::OnSelectTemplate()
{
    CDlgTemplateSel dialog(m_document, TemplateRoots(), window());
    dialog.exec();
}

void CDlgBarTemplate::OnSaveTemplate()
{
    std::string error;
    if (m_document.SaveTemplate(error))
        QMessageBox::information(window(), QStringLiteral("Orvantis"), QStringLiteral("Save template completed!"));
    else
        QMessageBox::warning(window(), QStringLiteral("Orvantis"), QString::fromStdString(error));
}

void CDlgBarTemplate::OnImportTemplate()
{
    const QString package = QFileDialog::getOpenFileName(window(), QString(), QString(),
                                                         QStringLiteral("support files (*.zip);;zip files (*.zip)"));
    if (!package.isEmpty())
        ImportPackage(package);
}

void CDlgBarTemplate::ImportPackage(const QString& package)
{
    const TemplateImportResult result = ImportTemplatePackage(package.toStdString(), WritableResFolder());
    const QString message = QString::fromStdString(result.message);
    if (result.Succeeded())
        QMessageBox::information(window(), QStringLiteral("Orvantis"), message);
    else
        QMessageBox::warning(window(), QStringLiteral("Orvantis"), message);
}
