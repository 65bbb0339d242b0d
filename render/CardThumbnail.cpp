#include "render/CardThumbnail.h"

#include <algorithm>

#include "image/PxImage.h"
#include "model/CardDocument.h"

bool WriteCardThumbnail(const std::filesystem::path& card, int size, const std::filesystem::path& png,
                        std::string& why)
{
    std::vector<std::uint8_t> stored;
    if (!ReadCardPreview(card, stored, why))
        return false;
    PxImage preview;
    if (!preview.Decode(stored.data(), std::int32_t(stored.size()), FormatPng) || !preview.IsValid()) {
        why = "its preview is not a picture";
        return false;
    }
    const std::int32_t width = std::int32_t(preview.GetWidth()), height = std::int32_t(preview.GetHeight());
    if (std::max(width, height) > size) {
        const double scale = double(size) / std::max(width, height);
        const std::int32_t w = std::max(1, std::int32_t(width * scale + 0.5));
        const std::int32_t h = std::max(1, std::int32_t(height * scale + 0.5));
        if (!preview.Resample2(w, h)) {
            why = "its preview could not be scaled";
            return false;
        }
    }
    if (!preview.Save(png, FormatPng)) {
        why = "the thumbnail could not be written to " + png.string();
        return false;
    }
    return true;
}
