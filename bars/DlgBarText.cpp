#include "bars/DlgBarText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "app/LumivexDoc.h"
#include "app/NewTextFont.h"
#include "controls/ColourButton.h"
#include "controls/FontComboBox.h"
#include "controls/PxSkinButton.h"
#include "controls/SizeComboBox.h"

namespace {

const QString kDefaultFace = QStringLiteral("Times New Roman");

// A box of point values to pick from, at a place of the bar.
QComboBox* PointsBox(QWidget* bar, int id, std::initializer_list<int> points, int selected, const char* tip, QRect at)
{
    auto* box = new QComboBox(bar);
    box->setProperty("controlId", id);
    for (const int value : points)
        box->addItem(QString::number(value), double(value));
    box->setCurrentIndex(box->findData(double(selected)));
    box->setToolTip(QString::fromLatin1(tip));
    box->setGeometry(at);
    return box;
}

// Shows a value of points in the box: its entry, or a new one in its order
// when it is none of them (a text grown by dragging).
void ShowPoints(QComboBox& box, double points)
{
    const double shown = std::round(std::clamp(points, 0.0, 9999.0) * 10) / 10;
    int at = 0;
    while (at < box.count() && box.itemData(at).toDouble() < shown)
        ++at;
    if (at == box.count() || box.itemData(at).toDouble() != shown)
        box.insertItem(at, QString::number(shown), shown);
    box.setCurrentIndex(at);
}

double PointsIn(const QComboBox& box)
{
    return std::max(0.0, box.currentData().toDouble());
}

}  // namespace

int LeadingInteger(const QString& text)
{
    const QByteArray digits = text.toLatin1();
    // strtol saturates where atoi's result would be undefined.
    const long value = std::strtol(digits.constData(), nullptr, 10);
    return int(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

CDlgBarText::CDlgBarText(CLumivexDoc& document, const SkinBitmap* background, const SkinBitmap* label, QWidget* parent)
    : CSubBar(background, label, {350, 444, 557}, parent), m_document(document)
{
    m_fontBox = new CFontComboBox(this);
    m_fontBox->setProperty("controlId", IDC_TEXT_FONT);
    m_fontBox->FillFontList();
    m_fontBox->SelectFaceName(kDefaultFace);
    m_fontBox->setGeometry(47, 6, 150, 21);

    m_sizeBox = new CSizeComboBox(this);
    m_sizeBox->setProperty("controlId", IDC_TEXT_SIZE);
    m_sizeBox->FillSizeList();
    m_sizeBox->SelectSize(48);
    m_sizeBox->setGeometry(207, 6, 50, 21);

    m_colourButton = new CColourButton(QStringLiteral("color"), this);
    m_colourButton->setProperty("controlId", IDC_TEXT_COLOUR);
    m_colourButton->SetSelectedColour(RGB(255, 255, 255));
    m_colourButton->setGeometry(267, 6, 70, 21);

    m_btnLeft = AddSkinButton(IDC_TEXT_LEFT, "al", {359, 6});
    m_btnCenter = AddSkinButton(IDC_TEXT_CENTER, "ac", {384, 6});
    m_btnRight = AddSkinButton(IDC_TEXT_RIGHT, "ar", {410, 6});
    m_btnDelete = AddSkinButton(IDC_TEXT_DELETE, "delete", {560, 7});

    // The outline and the shadow, after a separator: a button that switches
    // each on and off (held down while on), its colour and its sizes.
    m_btnOutline = AddSkinButton(IDC_TEXT_OUTLINE, "outline", {455, 6});
    m_btnOutline->SetTipText(QStringLiteral("Outline"));
    m_outlineColour = new CColourButton(QString(), this);
    m_outlineColour->setProperty("controlId", IDC_TEXT_OUTLINE_COLOUR);
    m_outlineColour->SetSelectedColour(RGB(0, 0, 0));
    m_outlineColour->setToolTip(QStringLiteral("Outline colour"));
    m_outlineColour->setGeometry(481, 6, 22, 21);
    m_outlineWidth = PointsBox(this, IDC_TEXT_OUTLINE_WIDTH, {1, 2, 3, 4, 6, 8, 12}, 2, "Outline width in points",
                               QRect(505, 6, 44, 21));
    m_btnShadow = AddSkinButton(IDC_TEXT_SHADOW, "shadow", {567, 6});
    m_btnShadow->SetTipText(QStringLiteral("Shadow"));
    m_shadowColour = new CColourButton(QString(), this);
    m_shadowColour->setProperty("controlId", IDC_TEXT_SHADOW_COLOUR);
    m_shadowColour->SetSelectedColour(RGB(0, 0, 0));
    m_shadowColour->setToolTip(QStringLiteral("Shadow colour"));
    m_shadowColour->setGeometry(593, 6, 22, 21);
    m_shadowOffset = PointsBox(this, IDC_TEXT_SHADOW_OFFSET, {1, 2, 3, 4, 6, 8, 12}, 3,
                               "Shadow offset in points, down and right", QRect(617, 6, 44, 21));
    m_shadowSoftness = PointsBox(this, IDC_TEXT_SHADOW_SOFTNESS, {0, 1, 2, 4, 6, 8, 12}, 4,
                                 "Shadow softness in points", QRect(663, 6, 44, 21));

    const auto align = [this](int where) { EditText([where](CLumivexDoc& d) { d.AlignSelectedText(where); }); };
    connect(m_btnLeft, &QAbstractButton::clicked, this, [align] { align(0); });
    connect(m_btnCenter, &QAbstractButton::clicked, this, [align] { align(1); });
    connect(m_btnRight, &QAbstractButton::clicked, this, [align] { align(2); });
    connect(m_btnDelete, &QAbstractButton::clicked, this, [this] { m_document.DeleteSelection(); });
    connect(m_fontBox, &QComboBox::textActivated, this,
            [this](const QString& face) {
                EditText([&](CLumivexDoc& d) { d.SetSelectedTextFace(face.toStdU16String()); });
            });
    connect(m_sizeBox, &QComboBox::textActivated, this,
            [this](const QString& size) {
                EditText([&](CLumivexDoc& d) { d.SetSelectedTextHeight(FontHeightOfSize(LeadingInteger(size))); });
            });
    connect(m_colourButton, &CColourButton::selEndOk, this,
            [this](COLORREF colour) { EditText([colour](CLumivexDoc& d) { d.SetSelectedTextColor(colour); }); });
    // Choosing an effect's colour or size switches it on.
    connect(m_btnOutline, &QAbstractButton::clicked, this, [this] { SetOutlineShown(!m_outlineShown); });
    connect(m_outlineColour, &CColourButton::selEndOk, this, [this](COLORREF colour) {
        m_outlineColour->SetSelectedColour(colour);
        SetOutlineShown(true);
    });
    connect(m_outlineWidth, &QComboBox::activated, this, [this] { SetOutlineShown(true); });
    connect(m_btnShadow, &QAbstractButton::clicked, this, [this] { SetShadowShown(!m_shadowShown); });
    connect(m_shadowColour, &CColourButton::selEndOk, this, [this](COLORREF colour) {
        m_shadowColour->SetSelectedColour(colour);
        SetShadowShown(true);
    });
    for (QComboBox* box : {m_shadowOffset, m_shadowSoftness})
        connect(box, &QComboBox::activated, this, [this] { SetShadowShown(true); });

    for (QObject* control : {static_cast<QObject*>(m_fontBox), static_cast<QObject*>(m_sizeBox),
                             static_cast<QObject*>(m_sizeBox->lineEdit()), static_cast<QObject*>(m_colourButton)})
        control->installEventFilter(this);
}

PxSkinButton* CDlgBarText::Button(int id) const
{
    switch (id) {
    case IDC_TEXT_LEFT: return m_btnLeft;
    case IDC_TEXT_CENTER: return m_btnCenter;
    case IDC_TEXT_RIGHT: return m_btnRight;
    case IDC_TEXT_DELETE: return m_btnDelete;
    case IDC_TEXT_OUTLINE: return m_btnOutline;
    case IDC_TEXT_SHADOW: return m_btnShadow;
    default: return nullptr;
    }
}

bool CDlgBarText::GetNewTextFont(LOGFONTW& font) const
{
    const int size = std::abs(LeadingInteger(m_sizeBox->SizeText()));
    if (size == 0)
        return false;
    QString face = m_fontBox->SelectedFaceName();
    if (face.isEmpty())
        face = kDefaultFace;
    font = NewTextFont(face.toStdU16String(), size);
    return true;
}

COLORREF CDlgBarText::GetNewTextColor() const
{
    return m_colourButton->GetSelectedColour();
}

TextOutline CDlgBarText::Outline() const
{
    return {m_outlineColour->GetSelectedColour(), m_outlineShown ? PixelsOfPoints(PointsIn(*m_outlineWidth)) : 0};
}

TextShadow CDlgBarText::Shadow() const
{
    const double offset = PixelsOfPoints(PointsIn(*m_shadowOffset));
    return {m_shadowShown, m_shadowColour->GetSelectedColour(), offset, offset,
            PixelsOfPoints(PointsIn(*m_shadowSoftness))};
}

TextLook CDlgBarText::GetNewTextLook() const
{
    TextLook look;
    look.outline = Outline();
    look.shadow = Shadow();
    return ClampedLook(look);
}

void CDlgBarText::SetOutlineShown(bool shown)
{
    m_outlineShown = shown;
    m_btnOutline->SetHeld(shown);
    EditText([outline = Outline()](CLumivexDoc& d) { d.SetSelectedTextOutline(outline); });
}

void CDlgBarText::SetShadowShown(bool shown)
{
    m_shadowShown = shown;
    m_btnShadow->SetHeld(shown);
    EditText([shadow = Shadow()](CLumivexDoc& d) { d.SetSelectedTextShadow(shadow); });
}

void CDlgBarText::SyncFrom(const LOGFONTW& font, COLORREF colour, const TextLook& look)
{
    // An effect the text lacks keeps the bar's colour and sizes for the next time.
    m_outlineShown = look.HasOutline();
    m_btnOutline->SetHeld(m_outlineShown);
    if (m_outlineShown) {
        m_outlineColour->SetSelectedColour(look.outline.colour);
        ShowPoints(*m_outlineWidth, PointsOfPixels(look.outline.width));
    }
    m_shadowShown = look.shadow.shown;
    m_btnShadow->SetHeld(m_shadowShown);
    if (m_shadowShown) {
        m_shadowColour->SetSelectedColour(look.shadow.colour);
        ShowPoints(*m_shadowOffset, PointsOfPixels(std::max(look.shadow.dx, look.shadow.dy)));
        ShowPoints(*m_shadowSoftness, PointsOfPixels(look.shadow.blur));
    }
    m_colourButton->SetSelectedColour(colour);
    // A face name read from a file may fill all 32 units without an end mark.
    const WCHAR* name = font.lfFaceName;
    m_fontBox->SelectFaceName(QString::fromUtf16(name, std::find(name, name + LF_FACESIZE, u'\0') - name));
    m_sizeBox->setEditText(QString::number(LONG(std::trunc(0.5 - 0.75 * font.lfHeight))));
}

void CDlgBarText::resizeEvent(QResizeEvent* event)
{
    CSubBar::resizeEvent(event);
    m_btnDelete->move(width() - 63, 7);
}

bool CDlgBarText::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            OnSizeEntered();
    }
    return false;  // the control handles the key as usual
}

void CDlgBarText::OnSizeEntered()
{
    const int size = std::abs(LeadingInteger(m_sizeBox->SizeText()));
    if (size != 0)
        EditText([size](CLumivexDoc& d) { d.SetSelectedTextHeight(FontHeightOfSize(size)); });
}

void CDlgBarText::EditText(const std::function<void(CLumivexDoc&)>& change)
{
    if (!isHidden())
        change(m_document);
}
