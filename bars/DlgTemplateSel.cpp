#include "bars/DlgTemplateSel.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QStyledItemDelegate>

#include "app/BitmapImage.h"
#include "app/LumivexDoc.h"
#include "controls/PxSkinButton.h"
#include "image/PxImage.h"
#include "model/TemplateStore.h"

namespace {

constexpr QSize kThumbSize{100, 70};
constexpr int kPathRole = Qt::UserRole;

// Paints each item's thumbnail at the top-left corner of its cell, blended a
// quarter with the highlight colour while selected in the focused list.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    // Owned by the dialog.
    explicit ThumbnailDelegate(CDlgTemplateSel& dialog) : QStyledItemDelegate(&dialog), m_dialog(dialog) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect cell(option.rect.topLeft(), kThumbSize);
        if (const Bitmap* thumb = m_dialog.Thumbnail(index.row()))
            DrawBitmap(*painter, cell, *thumb, QRect(QPoint(0, 0), kThumbSize));
        if ((option.state & QStyle::State_Selected) && m_dialog.List().hasFocus()) {
            QColor highlight = option.palette.color(QPalette::Active, QPalette::Highlight);
            highlight.setAlpha(64);
            painter->fillRect(cell, highlight);
        }
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return kThumbSize; }

private:
    const CDlgTemplateSel& m_dialog;
};

}  // namespace

CDlgTemplateSel::CDlgTemplateSel(CLumivexDoc& document, const std::vector<std::filesystem::path>& templateRoots,
                                 QWidget* parent, const std::filesystem::path& skinFolder,
                                 const std::filesystem::path& userRoot)
    : CSkinDialog(skinFolder / "template.png", FormatBmp, parent),
      m_document(document),
      m_btnOK(new PxSkinButton(this)),
      m_btnCancel(new PxSkinButton(this)),
      m_list(new QListWidget(this)),
      m_categoryBox(new QComboBox(this)),
      m_userRoot(userRoot.lexically_normal())
{
    setWindowTitle(QStringLiteral("Select a template"));

    m_list->setViewMode(QListView::IconMode);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setGridSize(QSize(110, 80));
    m_list->setIconSize(kThumbSize);
    m_list->setItemDelegate(new ThumbnailDelegate(*this));
    m_list->setGeometry(7, 27, 462, 320);

    m_categories = ListTemplateCategories(templateRoots);
    m_categoryBox->setGeometry(79, 351, 100, 20);
    auto* label = new QLabel(QStringLiteral("Category:"), this);
    label->setGeometry(15, 354, 65, 22);
    label->setAttribute(Qt::WA_TranslucentBackground);

    m_btnOK->LoadSkinImages(skinFolder / "ok_up.jpg", skinFolder / "ok_down.jpg");
    m_btnOK->move(342, 354);
    m_btnCancel->LoadSkinImages(skinFolder / "cancel_up.jpg", skinFolder / "cancel_down.jpg");
    m_btnCancel->move(405, 354);

    for (const auto& category : m_categories)
        m_categoryBox->addItem(QString::fromStdString(category->m_strName));
    if (!m_categories.empty()) {
        m_categoryBox->setCurrentIndex(0);
        FillTemplateList(*m_categories.front());
    }

    connect(m_categoryBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && std::size_t(index) < m_categories.size())
            FillTemplateList(*m_categories[std::size_t(index)]);
    });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CDlgTemplateSel::OnDoubleClick);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QListWidgetItem* item = m_list->itemAt(at);
        if (!item)
            return;
        std::unique_ptr<QMenu> menu(MakeContextMenu(m_list->row(item)));
        menu->exec(m_list->viewport()->mapToGlobal(at));
    });
    connect(m_btnOK, &QAbstractButton::clicked, this, &CDlgTemplateSel::OnOK);
    connect(m_btnCancel, &QAbstractButton::clicked, this, &QDialog::reject);
}

CDlgTemplateSel::~CDlgTemplateSel() = default;

const Bitmap* CDlgTemplateSel::Thumbnail(int index) const
{
    return index >= 0 && std::size_t(index) < m_ilThumbs.size() ? m_ilThumbs[std::size_t(index)].get() : nullptr;
}

void CDlgTemplateSel::FillTemplateList(TemplateCategory& category)
{
    LoadCategoryTemplates(category);
    m_list->clear();
    m_ilThumbs.clear();
    for (const std::filesystem::path& folder : category.m_templates) {
        PxImage thumb;
        thumb.Load(folder / "thumb.jpg", FormatBmp);
        // An unreadable preview leaves the item empty but paired with its folder.
        m_ilThumbs.push_back(MakeSkinBitmap(thumb));
        auto* item = new QListWidgetItem(m_list);
        item->setData(kPathRole, QString::fromStdString(folder.string()));
        item->setSizeHint(kThumbSize);
        const QString name = QString::fromStdString(folder.filename().string());
        item->setToolTip(IsUserTemplate(m_list->count() - 1)
                             ? name
                             : name + QStringLiteral("\nInstalled with the program: read-only"));
    }
}

std::filesystem::path CDlgTemplateSel::FolderOf(int index) const
{
    const QListWidgetItem* item = m_list->item(index);
    return item ? std::filesystem::path(item->data(kPathRole).toString().toStdString()) : std::filesystem::path();
}

bool CDlgTemplateSel::IsUserTemplate(int index) const
{
    const std::filesystem::path folder = FolderOf(index);
    if (folder.empty() || m_userRoot.empty())
        return false;
    const std::filesystem::path relative = folder.lexically_normal().lexically_relative(m_userRoot);
    return !relative.empty() && *relative.begin() != "..";
}

QMenu* CDlgTemplateSel::MakeContextMenu(int index)
{
    auto* menu = new QMenu(this);
    const QString name = QString::fromStdString(FolderOf(index).filename().string());
    if (IsUserTemplate(index)) {
        menu->addAction(QStringLiteral("Rename \"%1\"...").arg(name), this, [this, index] { RenameTemplate(index); });
        menu->addAction(QStringLiteral("Remove \"%1\"...").arg(name), this, [this, index] { RemoveTemplate(index); });
    } else {
        menu->addAction(QStringLiteral("\"%1\" is installed with the program: read-only").arg(name))->setEnabled(false);
    }
    return menu;
}

void CDlgTemplateSel::RenameTemplate(int index)
{
    const std::filesystem::path folder = FolderOf(index);
    if (!IsUserTemplate(index))
        return;
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Rename Template"), QStringLiteral("New name:"),
                                               QLineEdit::Normal,
                                               QString::fromStdString(folder.filename().string()), &ok);
    if (!ok)
        return;
    const TemplateWriteResult result = ::RenameTemplate(folder, name.toStdString());
    if (!result.Succeeded()) {
        QMessageBox::warning(this, QStringLiteral("Orvantis"), QString::fromStdString(result.message));
        return;
    }
    m_document.TemplateFolderRenamed(folder, result.folder);
    Refill();
}

void CDlgTemplateSel::RemoveTemplate(int index)
{
    const std::filesystem::path folder = FolderOf(index);
    if (!IsUserTemplate(index))
        return;
    const QString name = QString::fromStdString(folder.filename().string());
    if (QMessageBox::question(this, QStringLiteral("Orvantis"),
                              QStringLiteral("Remove the template \"%1\" and its files? This cannot be undone.").arg(name),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    std::string error;
    if (!::RemoveTemplate(folder, error))
        QMessageBox::warning(this, QStringLiteral("Orvantis"), QString::fromStdString(error));
    Refill();
}

void CDlgTemplateSel::Refill()
{
    const int current = m_categoryBox->currentIndex();
    if (current < 0 || std::size_t(current) >= m_categories.size())
        return;
    TemplateCategory& category = *m_categories[std::size_t(current)];
    category.m_templates.clear();
    m_nApplied = -1;
    FillTemplateList(category);
}

void CDlgTemplateSel::ApplyTemplate(int index)
{
    const QListWidgetItem* item = m_list->item(index);
    if (!item)
        return;
    // A template that cannot be read leaves the card and its folder as they were.
    m_document.ApplyTemplate(item->data(kPathRole).toString().toStdString());
}

int CDlgTemplateSel::FirstSelected() const
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->row(selected.front());
}

void CDlgTemplateSel::OnDoubleClick()
{
    const int index = FirstSelected();
    m_nApplied = index;
    if (index != -1)
        ApplyTemplate(index);
}

void CDlgTemplateSel::OnOK()
{
    const int index = FirstSelected();
    if (index != -1 && index != m_nApplied)
        ApplyTemplate(index);
    accept();
}
