// What the program was asked on its command line:
//   orvantis [CARD] [PHOTO...]     the card file (or the default card) with these photos on it
//   orvantis --import PACKAGE.zip  a template package imported, no window
//   orvantis --new-template PICTURE --name NAME --category CAT [--replace]
//                                  a template made from a picture, no window
//   orvantis --export-template DIR -o PACKAGE.zip
//                                  a template (or a category) packed, no window
//   orvantis --help | --version    a text printed, no window
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CommandLine {
    enum class Action { Run, Import, NewTemplate, ExportTemplate, Help, Version, Wrong };
    Action action = Action::Run;
    // The photos; the one package, picture or template folder.
    std::vector<std::string> files;
    std::string problem;          // why the line is wrong
    std::string name, category;   // of a new template
    bool replace = false;         // a new template may replace one of its name
    std::string output;           // the package an export writes
};

CommandLine ParseCommandLine(int argc, char** argv);

// The text --help prints.
std::string UsageText(const char* program);

// The line --version prints, from the version block's product version: the
// block spaces its numbers ("1. 0. 2"), a command line writes them as
// packages and tools do ("orvantis 1.0.2").
std::string VersionText(std::string_view productVersion);
