// Saving the card as a picture, as the user starts it: the Save As dialog,
// the name's extension, the question before replacing a file, and the
// message when the save fails.
#pragma once

#include <QString>

class CLumivexDoc;
class QWidget;

enum class SaveOutcome { Saved, Cancelled, Failed };

// The name the card is saved under: a name whose extension is not one the
// card can be saved as gets the chosen filter's (".jpg" for the JPG filter).
QString CardFileName(const QString& chosen, const QString& filterExtension);

SaveOutcome SaveCardImageWithDialog(QWidget* parent, CLumivexDoc& document);
