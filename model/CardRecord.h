// The card as a plain record: what fixes how it looks, without fonts,
// working pictures or anything else derived. The document makes one of its
// card and takes one back; the card file stores exactly this.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/SourceFile.h"
#include "model/TextLook.h"
#include "model/WorkArea.h"
#include "platform/WinRecords.h"

class PxImage;

enum class CardElementType { Frame, Photo, Text };

struct CardElementRecord {
    CardElementType type = CardElementType::Photo;
    std::int32_t kind = ELEMENT_USER;
    POINT pos{};
    // A picture's size before its turn (the displayed box follows from it
    // and the angle); a text's box.
    SIZE size{};
    // Pictures.
    float angle = 0;
    bool flip = false;
    bool mirror = false;
    std::size_t photo = 0;  // index into CardRecord::photos
    // Texts: lines broken by '\n', their placement, outline and shadow.
    LOGFONTW font{};
    COLORREF colour = 0;
    std::u16string text;
    TextLook look;
};

struct CardRecord {
    SharedSourceFile templateFile;  // this.tpl as loaded; the frame is its first frame
    std::vector<SharedSourceFile> photos;  // each photo's file, once however often placed
    // For a photo that never had a file and was not encoded (no encoder was
    // given): its picture, beside an empty file of photos; null for the rest.
    std::vector<std::shared_ptr<const PxImage>> unencoded;
    std::vector<CardElementRecord> elements;  // in painting order
    std::ptrdiff_t selected = -1;
    SIZE client{};  // the view's size the card was fitted to
    POINT origin{};
    std::string templateFolder;  // where the template was loaded from, as a hint
    std::string cardFile;        // the card file the card was opened from or saved to, if any
};

// Turns a picture that never had a file (a pasted one) into a file's bytes
// that decode to the same pixels; false when it cannot.
using PictureEncoder = std::function<bool(const PxImage&, SourceFile&)>;
// Decodes a photo's file as the program opens photos; false with the reason.
using PhotoDecoder = std::function<bool(const SourceFile&, PxImage&, std::string&)>;

// The record of a card; false with the reason when a picture cannot be kept.
// Without an encoder, pictures that never had a file are left in unencoded.
bool RecordCard(const WorkArea& card, SIZE client, const std::string& templateFolder, const PictureEncoder& encode,
                CardRecord& record, std::string& why);

// The card's elements built from a record, working pictures made (the
// photos decoded side by side); false with the reason in words.
struct BuiltCard {
    WorkArea::ElementList elements;
    std::ptrdiff_t frame = -1;
    std::ptrdiff_t selected = -1;
};
bool BuildCard(const CardRecord& record, const PhotoDecoder& decode, BuiltCard& built, std::string& why);
