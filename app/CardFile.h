// The last step of saving a card: the rendered bitmap written to a file in
// the format its name asks for. The program's Save and the batch renderer
// both end here, so the same card gives the same bytes either way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/Gdi.h"

// Encodes the bitmap as format (BMP, JPEG or PNG) at path through an atomic
// save: a failure leaves an existing file as it was and says why in error.
// The bitmap stays the caller's.
bool WriteCardBitmap(HBITMAP bitmap, const std::filesystem::path& path, std::uint32_t format, std::string& error);
