// What one card of the batch renderer is made of: the photos and texts to
// put on the template and the file it is saved as.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/TextLook.h"
#include "platform/WinRecords.h"

// A photo's box on the card in full-resolution card pixels, before the turn
// by angle degrees about its centre.
struct PhotoBox {
    LONG x = 0, y = 0, width = 0, height = 0;
    float angle = 0;
};

struct PhotoRequest {
    std::filesystem::path file;
    // Without a box the photo goes where the program puts an opened photo,
    // then fitted to cover the frame's window under it (or the largest).
    std::optional<PhotoBox> box;
};

struct TextRequest {
    std::string text;  // UTF-8
    // The top-left corner of the text on the card; without one the text is
    // centred below the frame's window, clear of the card's texts.
    std::optional<POINT> at;
};

// The text bar's settings for new texts, and its defaults.
struct TextStyle {
    std::string face = "Times New Roman";
    int points = 48;
    COLORREF colour = RGB(255, 255, 255);
    TextLook look;  // outline and shadow, in pixels of the full-resolution card
};

struct CardRequest {
    std::vector<PhotoRequest> photos;
    std::vector<TextRequest> texts;
    TextStyle style;
    // A picture (BMP, JPEG, PNG), or a card file when it ends in .orvantis.
    std::filesystem::path output;
    // A card file to start from instead of the template; the photos and
    // texts go on top of it.
    std::filesystem::path cardFile;
};
