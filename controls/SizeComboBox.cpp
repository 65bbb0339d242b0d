#include "controls/SizeComboBox.h"

#include <QLineEdit>
#include <QValidator>

namespace {

// At most two typed characters. Unlike a length limit on the line edit this
// leaves longer sizes that the program shows (a selected text of 150) whole.
class TwoCharacters : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override { return input.size() <= 2 ? Acceptable : Invalid; }
};

const char* const kSizeList[] = {"10", "11", "12", "14", "16", "18", "20",
                                 "22", "24", "26", "28", "36", "48", "72"};

}  // namespace

CSizeComboBox::CSizeComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    lineEdit()->setValidator(new TwoCharacters(this));
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
