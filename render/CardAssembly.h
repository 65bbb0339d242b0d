// One card built and saved as the program builds it: the template loaded
// into a document shown at 100%, photos placed and sunk below the frame as
// a click beside them does, texts added as the text bar makes them, and the
// full-resolution render saved by the program's own save step.
#pragma once

#include <filesystem>
#include <string>

#include "platform/WinRecords.h"
#include "render/CardRequest.h"

// Needs a QGuiApplication (the texts' fonts). False with the reason in error,
// which names the file at fault; an existing output file is then kept.
bool RenderCard(const std::filesystem::path& templateFolder, const CardRequest& card, std::string& error);
