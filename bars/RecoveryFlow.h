// At start-up, the cards that earlier runs kept behind the user's back and
// could not let go of (a crash, a kill, a power cut) are offered back, newest
// first: Restore puts the card back, Discard lets it go, Later keeps it for
// the next start.
#pragma once

#include <filesystem>

class CardAutosave;
class CLumivexDoc;
class QWidget;

// True when a card was restored. After a restore the other slots stay for a
// later start: the program holds one card at a time.
bool OfferRecoveredCards(QWidget* parent, CLumivexDoc& document, CardAutosave& autosave,
                         const std::filesystem::path& root);
