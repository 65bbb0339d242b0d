#include "bars/DlgBarText.h"

#include <cmath>
#include <cstdlib>

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

}  // namespace

int LeadingInteger(const QString& text)
{
    const QByteArray digits = text.toLatin1();
    // strtol saturates where atoi's result would be undefined.
    const long value = std::strtol(digits.constData(), nullptr, 10);
    return int(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

CDlgBarText::CDlgBarText(CLumivexDoc& document, const Bitmap* background, const Bitmap* label, QWidget* parent)
    : CSubBar(background, label, {350}, parent), m_document(document)
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

void CDlgBarText::SyncFrom(const LOGFONTW& font, COLORREF colour)
{
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
