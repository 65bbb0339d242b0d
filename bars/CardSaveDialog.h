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

// The Save As dialog; an empty name when it is cancelled.
QString AskCardFileName(QWidget* parent);
// Asks before replacing a file, saves, and says why when the save fails.
SaveOutcome SaveCardImageAs(QWidget* parent, CLumivexDoc& document, const QString& path);
SaveOutcome SaveCardImageWithDialog(QWidget* parent, CLumivexDoc& document);
