// The command line of orvantis-render:
//   orvantis-render [--template DIR] --photo FILE[@X,Y,W,H[,ANGLE]]...
//                   --text TEXT[@X,Y]... [--font FACE] [--size N]
//                   [--colour #RRGGBB] -o OUT.jpg|.png|.bmp
//   orvantis-render --batch CARDS.csv --out DIR [-j N] [--shard K/N]
//                   [--template DIR] [--font FACE] [--size N] [--colour #RRGGBB]
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "render/CardRequest.h"

// Most worker processes -j starts.
constexpr int kMaxJobs = 64;

// One job per core, at least 1 and at most kMaxJobs.
int DefaultJobs();

struct RenderArgs {
    enum class Mode { Card, Batch, Help, Wrong };
    Mode mode = Mode::Wrong;
    std::filesystem::path templateFolder;  // empty: the default card
    CardRequest card;                      // the one card; its style serves the batch too
    std::filesystem::path csv;
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

