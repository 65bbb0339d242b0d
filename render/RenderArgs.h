// The command line of orvantis-render:
//   orvantis-render [--template DIR] --photo FILE[@X,Y,W,H[,ANGLE]]...
//                   --text TEXT[@X,Y]... [--font FACE] [--size N]
//                   [--colour #RRGGBB] -o OUT.jpg|.png|.bmp
//   orvantis-render --batch CARDS.csv --out DIR [-j N] [--template DIR]
//                   [--font FACE] [--size N] [--colour #RRGGBB]
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "render/CardRequest.h"

struct RenderArgs {
    enum class Mode { Card, Batch, Help, Wrong };
    Mode mode = Mode::Wrong;
    std::filesystem::path templateFolder;  // empty: the default card
    CardRequest card;                      // the one card; its style serves the batch too
    std::filesystem::path csv;
    std::filesystem::path outFolder;
    int jobs = 1;
    std::string problem;  // why the line is wrong
};

// The arguments after the program name.
RenderArgs ParseRenderArgs(const std::vector<std::string>& args);

// The text --help prints, and a wrong line with its problem.
std::string RenderUsage();

// Most worker processes -j starts.
constexpr int kMaxJobs = 64;
