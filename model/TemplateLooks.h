// The looks of a template's texts (placement of their lines, outline,
// shadow) in the record file. The "TXT" records keep their layout, which
// other readers rely on; the looks follow every record in one trailing
// chunk that a reader without it passes over:
//
//   "TXL", the payload's length (4 bytes), the payload, padding
//
// Every byte after the tag is 0x80 or above (each byte of length and
// payload is written as two, 0x80 + its high and its low four bits; the
// padding is 0xFF), so a reader that steps over unknown bytes three at a
// time for a tag never meets "TXT" or "FRM" inside it, and the padding
// brings the chunk to a multiple of three bytes. The payload: a version
// byte (1), then for each text with a look of its own 30 bytes, all little
// endian: the text's index among the file's TXT records (4), its placement
// (1: 0 left, 1 centre, 2 right), outline colour (4) and width (4), shadow
// shown (1), colour (4), offsets right and down (4 each) and softness (4);
// sizes in hundredths of a pixel of the card as shown, signed. A text with a
// look has its lines' box in its TXT record, so that a reader without looks
// puts the lines where they stand.
#pragma once

#include <vector>

#include "image/PxFile.h"

class TextEx;

inline constexpr char kTextLooksTag[] = "TXL";

// The chunk for texts in the order of their TXT records; nothing when no
// text has a look of its own. False when the file refuses a write.
bool WriteTextLooks(PxFile& file, const std::vector<const TextEx*>& texts);

// Reads a chunk whose tag was just read, giving texts (in the order of
// their TXT records) their looks, clamped; a text's lines stay where its
// record put them. A damaged chunk changes nothing and the file is left
// just after the tag; false only when the file cannot go back there.
bool ReadTextLooks(PxFile& file, const std::vector<TextEx*>& texts);
