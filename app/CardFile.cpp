#include "app/CardFile.h"

#include "image/PxImage.h"

bool WriteCardBitmap(HBITMAP bitmap, const std::filesystem::path& path, std::uint32_t format, std::string& error)
{
    PxImage card;
    if (!card.CreateFromHBITMAP(bitmap)) {
        error = "the card could not be made into a picture (not enough memory?)";
        return false;
    }
    return card.Save(path, format, error);
}
