// The thumbnailer's work: a card file's stored preview written as a PNG of
// at most the size a file manager asks for, without rendering the card.
#pragma once

#include <filesystem>
#include <string>

// False with the reason in why; an existing output stays as it was then.
bool WriteCardThumbnail(const std::filesystem::path& card, int size, const std::filesystem::path& png,
                        std::string& why);
