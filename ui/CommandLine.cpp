#include "ui/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstring>

CommandLine ParseCommandLine(int argc, char** argv)
{
    CommandLine line;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (options && std::strcmp(argument, "--") == 0) {
            options = false;
        } else if (options && (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)) {
            return {CommandLine::Action::Help, {}, {}};
        } else if (options && std::strcmp(argument, "--version") == 0) {
            return {CommandLine::Action::Version, {}, {}};
        } else if (options && std::strcmp(argument, "--import") == 0) {
            if (argc != 3 || i != 1)
                return {CommandLine::Action::Wrong, {}, "--import takes exactly one package and nothing else"};
            return {CommandLine::Action::Import, {argv[2]}, {}};
        } else if (options && argument[0] == '-' && argument[1] != '\0') {
            return {CommandLine::Action::Wrong, {}, std::string("unknown option ") + argument};
        } else {
            line.files.emplace_back(argument);
        }
    }
    return line;
}

std::string UsageText(const char* program)
{
    return std::string("usage: ") + program +
           " [PHOTO...]\n"
           "       " + program + " --import PACKAGE.zip\n"
           "\n"
           "Composes picture cards. The photos given are placed on the default card.\n"
           "  --import PACKAGE.zip  import a template package without opening a window;\n"
           "                        the exit status is 0 only when all of it was imported\n"
           "  --help                show this text\n"
           "  --version             show the program's version\n";
}

std::string VersionText(std::string_view productVersion)
{
    std::string version(productVersion);
    std::erase_if(version, [](unsigned char c) { return std::isspace(c); });
    return "orvantis " + version + "\n";
}
