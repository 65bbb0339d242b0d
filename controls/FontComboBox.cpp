#include "controls/FontComboBox.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QStyle>

CFontComboBox::CFontComboBox(QWidget* parent) : QComboBox(parent)
{
    // The bar places the box at a fixed size; measuring every family for a
    // size hint would only cost time.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

void CFontComboBox::FillFontList()
{
    const QFontMetrics metrics = view()->fontMetrics();
    for (const QString& family : QFontDatabase::families()) {
        addItem(family);
        m_nMaxWidth = std::max(m_nMaxWidth, metrics.horizontalAdvance(family + QLatin1Char('0')));
    }
    setCurrentIndex(-1);
}

void CFontComboBox::SelectFaceName(const QString& name)
{
    const int index = findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index >= 0)
        setCurrentIndex(index);
}

QString CFontComboBox::SelectedFaceName() const
{
    return currentIndex() >= 0 ? currentText() : QString();
}

void CFontComboBox::showPopup()
{
    view()->setMinimumWidth(m_nMaxWidth + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    QComboBox::showPopup();
}
