// Select Template: a skinned dialog listing the templates of one category at
// a time as 100 x 70 thumbnails. A double-click applies a template at once,
// with the dialog still open over the card; OK applies the selected one
// unless the double-click did already; Cancel keeps what was applied.
// Each thumbnail's tooltip names its template; the user's own templates
// (those under the user's template root) can be renamed and removed from
// the context menu, installed ones say that they are read-only.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "app/ResFolders.h"
#include "app/TemplateCatalog.h"
#include "controls/SkinBitmaps.h"
#include "controls/SkinDialog.h"
#include "platform/Gdi.h"

class CLumivexDoc;
class PxSkinButton;
class QComboBox;
class QListWidget;
class QMenu;

class CDlgTemplateSel : public CSkinDialog {
    Q_OBJECT
public:
    // userRoot: the folder of the user's own templates (WritableTemplateRoot).
    CDlgTemplateSel(CLumivexDoc& document, const std::vector<std::filesystem::path>& templateRoots, QWidget* parent,
                    const std::filesystem::path& skinFolder = SkinFolder(),
                    const std::filesystem::path& userRoot = WritableTemplateRoot());
    ~CDlgTemplateSel() override;

    QComboBox& CategoryBox() const { return *m_categoryBox; }
    QListWidget& List() const { return *m_list; }
    PxSkinButton& OkButton() const { return *m_btnOK; }
    PxSkinButton& CancelButton() const { return *m_btnCancel; }
    // The thumbnail of list item index; null when its thumb.jpg could not be read.
    const Bitmap* Thumbnail(int index) const;

    // Shows the category's templates, reading its folder list on first use.
    void FillTemplateList(TemplateCategory& category);
    // Makes the template of list item index the card's template; the user's
    // photos and texts stay.
    void ApplyTemplate(int index);
    // Whether list item index is one of the user's own templates.
    bool IsUserTemplate(int index) const;
    // The context menu's commands on list item index: each asks first
    // (the new name; whether to remove), then shows the category again.
    void RenameTemplate(int index);
    void RemoveTemplate(int index);
    // The context menu for list item index (null on an empty list spot).
    QMenu* MakeContextMenu(int index);

private:
    int FirstSelected() const;  // -1 when nothing is selected
    void OnDoubleClick();
    void OnOK();
    std::filesystem::path FolderOf(int index) const;
    // The current category read again from its folders.
    void Refill();

    CLumivexDoc& m_document;
    PxSkinButton* m_btnOK;
    PxSkinButton* m_btnCancel;
    QListWidget* m_list;
    QComboBox* m_categoryBox;
    std::vector<std::unique_ptr<Bitmap>> m_ilThumbs;
    std::vector<std::unique_ptr<TemplateCategory>> m_categories;
    std::filesystem::path m_userRoot;
    int m_nApplied = -1;  // the list item the last double-click applied
};
