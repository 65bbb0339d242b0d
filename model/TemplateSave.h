// Save Template: the card's frame and texts become the current template
// folder's this.tpl, and a 100 x 70 preview of them its thumb.jpg.
#pragma once

#include <filesystem>
#include <string>

#include "platform/WinRecords.h"

class WorkArea;

// Where an element of the card lands in the preview, with the preview's
// scale factors sx, sy (preview size / frame size, single precision).
RECT ScaleToPreview(POINT pos, SIZE size, float sx, float sy);

// True when both files were written. A card whose lowest template element is
// not a frame with a size is refused and nothing is written; so is any card
// when the preview's canvas cannot be made.
bool SaveTemplate(const WorkArea& card, const std::filesystem::path& folder, std::string* why = nullptr);
