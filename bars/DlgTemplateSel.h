// Select Template: a skinned dialog listing the templates of one category at
// a time as 100 x 70 thumbnails. A double-click applies a template at once,
// with the dialog still open over the card; OK applies the selected one
// unless the double-click did already; Cancel keeps what was applied.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "app/TemplateCatalog.h"
#include "controls/SkinBitmaps.h"
#include "controls/SkinDialog.h"
#include "platform/Gdi.h"

class CLumivexDoc;
class PxSkinButton;
class QComboBox;
class QListWidget;

class CDlgTemplateSel : public CSkinDialog {
    Q_OBJECT
public:
    CDlgTemplateSel(CLumivexDoc& document, const std::vector<std::filesystem::path>& templateRoots, QWidget* parent,
                    const std::filesystem::path& skinFolder = SkinFolder());
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

private:
    int FirstSelected() const;  // -1 when nothing is selected
    void OnDoubleClick();
    void OnOK();

    CLumivexDoc& m_document;
    PxSkinButton* m_btnOK;
    PxSkinButton* m_btnCancel;
    QListWidget* m_list;
    QComboBox* m_categoryBox;
    std::vector<std::unique_ptr<Bitmap>> m_ilThumbs;
    std::vector<std::unique_ptr<TemplateCategory>> m_categories;
    int m_nApplied = -1;  // the list item the last double-click applied
};
