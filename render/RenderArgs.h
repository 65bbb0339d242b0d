// The command line of orvantis-render:
//   orvantis-render [--template DIR] --photo FILE[@X,Y,W,H[,ANGLE]]...
//                   --text TEXT[@X,Y]... [--font FACE] [--size N]
//                   [--colour #RRGGBB] -o OUT.jpg|.png|.bmp
//   orvantis-render --batch CARDS.csv --out DIR [-j N] [--shard K/N]
//                   [--template DIR] [--font FACE] [--size N] [--colour #RRGGBB]
//   orvantis-render CARD.orvantis... --out DIR [--format jpg|png|bmp] [-j N] [--shard K/N]
//   orvantis-render --thumbnail SIZE CARD.orvantis OUT.png
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "render/CardRequest.h"

// Most worker processes -j starts.
constexpr int kMaxJobs = 64;

// One job per CPU this process may use (see CpuBudget), at most kMaxJobs.
int DefaultJobs();

struct RenderArgs {
    enum class Mode { Card, Batch, Thumbnail, Help, Wrong };
    Mode mode = Mode::Wrong;
    std::filesystem::path templateFolder;  // empty: the default card
    CardRequest card;                      // the one card; its style serves the batch too
    std::filesystem::path csv;
    // Card files given on the line: one renders to -o; several (or any with
    // --out) are a batch of one picture each, named after the card.
    std::vector<std::filesystem::path> cardFiles;
    std::string format = "jpg";  // the extension of a card file batch's pictures
    // --thumbnail: the card file's stored preview at most this large.
    int thumbnailSize = 0;
    std::filesystem::path thumbnailOut;
    std::filesystem::path outFolder;
    int jobs = DefaultJobs();
    // The batch's rows whose index (from 0, the header not counted) is
    // shard modulo shards; all of them by default.
    std::size_t shard = 0;
    std::size_t shards = 1;
    std::string problem;  // why the line is wrong
};

// The arguments after the program name.
RenderArgs ParseRenderArgs(const std::vector<std::string>& args);

// The text --help prints, and a wrong line with its problem.
std::string RenderUsage();

