// Cards kept as documents, as the user works with them: the Open and Save
// dialogs around the document's card files, the question before a changed
// card is replaced, and the four most recent cards.
#pragma once

#include <QString>
#include <QStringList>

#include "bars/CardSaveDialog.h"

class CLumivexDoc;
class QWidget;

// The dialogs' filter for card files.
QString CardFileFilter();
// Whether a path names a card file (by its extension, any case).
bool IsCardFileName(const QString& path);

// Save Card: the card's own file when it has one, else Save Card As.
SaveOutcome SaveCardFile(QWidget* parent, CLumivexDoc& document);
// Save Card As: asks for a name (".orvantis" added when missing), saves,
// and says why when the save fails.
SaveOutcome SaveCardFileAs(QWidget* parent, CLumivexDoc& document);
// Before a changed card is replaced (New, Open Card): Yes saves it as a card
// file, No lets it go, Cancel keeps it; true when the replacement may go on.
bool ConfirmReplaceCard(QWidget* parent, CLumivexDoc& document);
// Open Card with the dialog that previews card files.
bool OpenCardFileWithDialog(QWidget* parent, CLumivexDoc& document);
// Opens a card file (asking first when the card has changed) and says why
// when it cannot; a missing recent card leaves the recent list.
bool OpenCardFile(QWidget* parent, CLumivexDoc& document, const QString& path);

// The most recent card files, newest first, at most four.
QStringList RecentCardFiles();
