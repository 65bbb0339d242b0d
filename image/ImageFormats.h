// The image core's format ids. They are fixed numbers: files, callers and the
// per-format option table (16 entries) rely on them. Formats added later are
// decoded only and numbered after that table; 16 itself names no format, so
// callers that pass it as "none" keep getting the unknown-format answer.
#pragma once

#include <cstdint>

enum PxImageFormat : std::uint32_t {
    FormatUnknown = 0,  // decode: detect from the content
    FormatBmp = 1,
    FormatGif = 2,
    FormatJpg = 3,
    FormatPng = 4,
    FormatIco = 5,
    FormatTif = 6,
    FormatTga = 7,
    FormatPcx = 8,
    FormatWbmp = 9,
    FormatWmf = 10,
    FormatJp2 = 11,
    FormatJpc = 12,
    FormatPgx = 13,
    FormatPnm = 14,
    FormatRas = 15,
    FormatCount = 16,  // the size of the option table
    FormatWebp = 17,
    FormatHeif = 18,
    FormatAvif = 19,
    FormatIdEnd = 20,  // one past the last id
};
