#include "ui/controls/SizeComboBox.h"

#include <QLineEdit>

namespace {

const char* const kSizeList[] = {"10", "11", "12", "14", "16", "18", "20",
                                 "22", "24", "26", "28", "36", "48", "72"};

}  // namespace

CSizeComboBox::CSizeComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    lineEdit()->setMaxLength(2);
    // A typed size is a value for the text, not a new entry of the list, and
    // is taken as typed: no completion turns a typed "4" into "48".
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
}

void CSizeComboBox::FillSizeList()
{
    for (const char* size : kSizeList)
        addItem(QString::fromLatin1(size));
    setCurrentIndex(-1);
}

void CSizeComboBox::SelectSize(int size)
{
    const int index = findText(QString::number(size), Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index >= 0)
        setCurrentIndex(index);
}
