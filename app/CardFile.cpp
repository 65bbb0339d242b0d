#include "app/CardFile.h"

#include "image/PxImage.h"

bool WriteCardBitmap(HBITMAP bitmap, const std::filesystem::path& path, std::uint32_t format, std::string& error)
{
    PxImage card;
    if (!card.CreateFromHBITMAP(bitmap) || !card.Save(path, format)) {
        error = card.GetLastError()[0] ? card.GetLastError() : "The file could not be written.";
        return false;
    }
    return true;
}
