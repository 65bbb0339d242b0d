// The cards a batch CSV asks for: after a header line, one card per record
// with the fields photo, text and output file name.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "render/CardRequest.h"

struct BatchCard {
    std::string name;  // a card file's name, which stands for it in messages; empty for a CSV row
    int row = 0;   // from 1, the header not counted
    int line = 0;  // where the record starts in the file
    CardRequest card;
    std::string problem;  // why the row makes no card; empty for a sound one
};

// Photo paths are taken relative to csvFolder; outputs are plain file names
// inside outFolder, each used by one row only. Every record after the header
// gives one entry, sound or not; problem of the header is returned in
// headerProblem.
std::vector<BatchCard> ReadBatchCards(std::string_view csv, const std::filesystem::path& csvFolder,
                                      const std::filesystem::path& outFolder, const TextStyle& style,
                                      std::string& headerProblem);

// Card files rendered together: one picture each in outFolder, named after
// the card file with the extension format; two cards of one name are a problem.
std::vector<BatchCard> CardFileJobs(const std::vector<std::filesystem::path>& files,
                                    const std::filesystem::path& outFolder, const std::string& format);
