// Save Template: the card's frame and texts become the current template
// folder's this.tpl, and a 100 x 70 preview of them its thumb.jpg.
#pragma once

#include <filesystem>

class WorkArea;

// True when both files were written. A card whose lowest template element is
// not a frame with a size is refused and nothing is written.
bool SaveTemplate(const WorkArea& card, const std::filesystem::path& folder);
