#include "ui/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

CommandLine Only(CommandLine::Action action, std::vector<std::string> files = {})
{
    CommandLine line;
    line.action = action;
    line.files = std::move(files);
    return line;
}

CommandLine Wrong(std::string problem)
{
    CommandLine line = Only(CommandLine::Action::Wrong);
    line.problem = std::move(problem);
    return line;
}

// --new-template and --export-template: the mode's own option first, then
// the options it takes, in any order, each once.
CommandLine ParseTemplateCommand(int argc, char** argv)
{
    CommandLine line;
    const std::string mode = argv[1];
    line.action = mode == "--new-template" ? CommandLine::Action::NewTemplate : CommandLine::Action::ExportTemplate;
    if (argc < 3 || argv[2][0] == '\0')
        return Wrong(mode + " needs " + (line.action == CommandLine::Action::NewTemplate ? "a picture" : "a folder"));
    line.files = {argv[2]};
    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        if (line.action == CommandLine::Action::NewTemplate && option == "--replace" && !line.replace) {
            line.replace = true;
            continue;
        }
        std::string* value = nullptr;
        if (line.action == CommandLine::Action::NewTemplate && option == "--name")
            value = &line.name;
        else if (line.action == CommandLine::Action::NewTemplate && option == "--category")
            value = &line.category;
        else if (line.action == CommandLine::Action::ExportTemplate && (option == "-o" || option == "--output"))
            value = &line.output;
        if (!value)
            return Wrong(option + " is not an option of " + mode);
        if (!value->empty())
            return Wrong(option + " is given twice");
        if (i + 1 >= argc || argv[i + 1][0] == '\0')
            return Wrong(option + " needs a value");
        *value = argv[++i];
    }
    if (line.action == CommandLine::Action::NewTemplate && (line.name.empty() || line.category.empty()))
        return Wrong("--new-template needs --name NAME and --category CATEGORY");
    if (line.action == CommandLine::Action::ExportTemplate && line.output.empty())
        return Wrong("--export-template needs -o PACKAGE.zip");
    return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--new-template") == 0 || std::strcmp(argv[1], "--export-template") == 0))
        return ParseTemplateCommand(argc, argv);
    CommandLine line;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (options && std::strcmp(argument, "--") == 0) {
            options = false;
        } else if (options && (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)) {
            return Only(CommandLine::Action::Help);
        } else if (options && std::strcmp(argument, "--version") == 0) {
            return Only(CommandLine::Action::Version);
        } else if (options && std::strcmp(argument, "--import") == 0) {
            if (argc != 3 || i != 1)
                return Wrong("--import takes exactly one package and nothing else");
            return Only(CommandLine::Action::Import, {argv[2]});
        } else if (options && (std::strcmp(argument, "--new-template") == 0 ||
                               std::strcmp(argument, "--export-template") == 0)) {
            return Wrong(std::string(argument) + " comes first on the command line");
        } else if (options && argument[0] == '-' && argument[1] != '\0') {
            return Wrong(std::string("unknown option ") + argument);
        } else {
            line.files.emplace_back(argument);
        }
    }
    return line;
}

std::string UsageText(const char* program)
{
    return std::string("usage: ") + program +
           " [CARD.orvantis] [PHOTO...]\n"
           "       " + program + " --import PACKAGE.zip\n"
           "       " + program + " --new-template PICTURE --name NAME --category CATEGORY [--replace]\n"
           "       " + program + " --export-template FOLDER -o PACKAGE.zip\n"
           "\n"
           "Composes picture cards. A card file given opens as the card; the photos given\n"
           "are placed on the card.\n"
           "  --import PACKAGE.zip  import a template package without opening a window;\n"
           "                        the exit status is 0 only when all of it was imported\n"
           "  --new-template PICTURE\n"
           "                        make a template of a picture with transparent windows\n"
           "                        (PNG, WebP, TIFF, HEIF, GIF, ICO) in the user's template\n"
           "                        folder; --replace replaces a template of the same name\n"
           "  --export-template FOLDER\n"
           "                        write a template folder, or a category folder with all\n"
           "                        its templates, as a package that --import reads\n"
           "  --help                show this text\n"
           "  --version             show the program's version\n";
}

std::string VersionText(std::string_view productVersion)
{
    std::string version(productVersion);
    std::erase_if(version, [](unsigned char c) { return std::isspace(c); });
    return "orvantis " + version + "\n";
}
