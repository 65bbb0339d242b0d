// The template bar, shown in template mode under the main bar: choose a
// template for the card, save the card as a template, import template
// packages, make a template from a picture. Its context menu offers every
// template command, those for the user's own templates included.
#pragma once

#include "bars/SubBar.h"

class CLumivexDoc;
class PxSkinButton;
struct CardCommands;

constexpr int IDC_TPL_SELECT = 1011;
constexpr int IDC_TPL_SAVE = 1012;
constexpr int IDC_TPL_IMPORT = 1013;
constexpr int IDC_TPL_NEW = 1014;

class CDlgBarTemplate : public CSubBar {
    Q_OBJECT
public:
    CDlgBarTemplate(CLumivexDoc& document, const CardCommands& commands, const SkinBitmap* background,
                    const SkinBitmap* label, QWidget* parent);

    PxSkinButton* Button(int id) const;

    void OnSelectTemplate();
    // Reports the outcome in a message box.
    void OnSaveTemplate();
    // Asks for a package, then imports it.
    void OnImportTemplate();
    // Extracts the package into the writable res folder and reports how it
    // went; the imported templates show up the next time Select Template opens.
    void ImportPackage(const QString& package);

private:
    CLumivexDoc& m_document;
    PxSkinButton* m_btnSelect;
    PxSkinButton* m_btnSave;
    PxSkinButton* m_btnImport;
    PxSkinButton* m_btnNew;
};
