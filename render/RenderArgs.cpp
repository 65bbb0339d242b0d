#include "render/RenderArgs.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <optional>
#include <string_view>
#include <utility>

#include "app/FileFormats.h"
#include "model/CardDocument.h"
#include "render/CpuBudget.h"

namespace {

// Card coordinates beyond this are surely typing mistakes, and a photo box
// larger than this side would not fit in memory.
constexpr LONG kMaxCoordinate = 1000000;
constexpr LONG kMaxPhotoSide = 32768;
// Above this the text layer stops growing the font anyway.
constexpr int kMaxPoints = 3000;
// An outline or a shadow named by its colour alone.
constexpr double kDefaultOutlinePoints = 2;
constexpr double kDefaultShadowPoints[] = {3, 3, 4};  // dx, dy, blur

template <typename Number>
std::optional<Number> NumberOf(std::string_view text)
{
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> SplitCommas(std::string_view text)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return parts;
        start = comma + 1;
    }
}

std::optional<LONG> CoordinateOf(std::string_view text)
{
    const auto value = NumberOf<long>(text);
    if (!value || *value < -kMaxCoordinate || *value > kMaxCoordinate)
        return std::nullopt;
    return LONG(*value);
}

std::optional<PhotoBox> PhotoBoxOf(std::string_view text)
{
    const std::vector<std::string_view> parts = SplitCommas(text);
    if (parts.size() != 4 && parts.size() != 5)
        return std::nullopt;
    const auto x = CoordinateOf(parts[0]), y = CoordinateOf(parts[1]);
    const auto w = CoordinateOf(parts[2]), h = CoordinateOf(parts[3]);
    const auto angle = parts.size() == 5 ? NumberOf<float>(parts[4]) : std::optional<float>(0.0f);
    if (!x || !y || !w || !h || !angle || *w < 1 || *h < 1 || *w > kMaxPhotoSide || *h > kMaxPhotoSide ||
        !std::isfinite(*angle) || std::fabs(*angle) > 360)
        return std::nullopt;
    return PhotoBox{*x, *y, *w, *h, *angle};
}

std::optional<POINT> PointOf(std::string_view text)
{
    const std::vector<std::string_view> parts = SplitCommas(text);
    if (parts.size() != 2)
        return std::nullopt;
    const auto x = CoordinateOf(parts[0]), y = CoordinateOf(parts[1]);
    if (!x || !y)
        return std::nullopt;
    return POINT{*x, *y};
}

// "VALUE@PLACE": the place after the last @ when it reads as one; otherwise
// the whole argument is the value (a file or a text may hold an @ itself).
template <typename Place, typename Reader>
std::pair<std::string, std::optional<Place>> SplitPlace(const std::string& argument, Reader read)
{
    const std::size_t at = argument.rfind('@');
    if (at != std::string::npos && at > 0)
        if (auto place = read(std::string_view(argument).substr(at + 1)))
            return {argument.substr(0, at), place};
    return {argument, std::nullopt};
}

std::optional<COLORREF> ColourOf(std::string_view text)
{
    if (text.size() != 7 || text[0] != '#')
        return std::nullopt;
    unsigned value = 0;
    const auto [stop, error] = std::from_chars(text.data() + 1, text.data() + 7, value, 16);
    if (error != std::errc() || stop != text.data() + 7)
        return std::nullopt;
    return RGB(BYTE(value >> 16), BYTE(value >> 8), BYTE(value));
}

// A text as typed on a command line: a backslash and an n break the line,
// two backslashes and an n are one backslash and the n. Every other
// character stands as it is.
std::string WithLineBreaks(std::string_view typed)
{
    std::string text;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        if (typed.substr(i, 3) == "\\\\n") {
            text += "\\n";
            i += 2;
        } else if (typed.substr(i, 2) == "\\n") {
            text += '\n';
            ++i;
        } else {
            text += typed[i];
        }
    }
    return text;
}

// Points from 0 (or -limit) to limit, any decimals.
std::optional<double> PointsOf(std::string_view text, double limit, bool signedValue)
{
    const auto value = NumberOf<double>(text);
    if (!value || !std::isfinite(*value) || *value > limit || *value < (signedValue ? -limit : 0))
        return std::nullopt;
    return *value;
}

// "COLOUR[,WIDTH]": the outline in points.
std::optional<TextOutline> OutlineOf(std::string_view text)
{
    const std::vector<std::string_view> parts = SplitCommas(text);
    const auto colour = ColourOf(parts[0]);
    const auto width = parts.size() == 2 ? PointsOf(parts[1], PointsOfPixels(kMaxOutlineWidth), false)
                                         : std::optional<double>(kDefaultOutlinePoints);
    if (!colour || parts.size() > 2 || !width || *width <= 0)
        return std::nullopt;
    return TextOutline{*colour, PixelsOfPoints(*width)};
}

// "COLOUR[,DX,DY,BLUR]": the shadow in points.
std::optional<TextShadow> ShadowOf(std::string_view text)
{
    const std::vector<std::string_view> parts = SplitCommas(text);
    const auto colour = ColourOf(parts[0]);
    if (!colour || (parts.size() != 1 && parts.size() != 4))
        return std::nullopt;
    TextShadow shadow{true, *colour, PixelsOfPoints(kDefaultShadowPoints[0]), PixelsOfPoints(kDefaultShadowPoints[1]),
                      PixelsOfPoints(kDefaultShadowPoints[2])};
    if (parts.size() == 4) {
        const double offsetLimit = PointsOfPixels(kMaxShadowOffset), blurLimit = PointsOfPixels(kMaxShadowBlur);
        const auto dx = PointsOf(parts[1], offsetLimit, true), dy = PointsOf(parts[2], offsetLimit, true);
        const auto blur = PointsOf(parts[3], blurLimit, false);
        if (!dx || !dy || !blur)
            return std::nullopt;
        shadow.dx = PixelsOfPoints(*dx);
        shadow.dy = PixelsOfPoints(*dy);
        shadow.blur = PixelsOfPoints(*blur);
    }
    return shadow;
}

std::string PointsText(double pixels)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", PointsOfPixels(pixels));
    return text;
}

// UTF-16 units of a UTF-8 text: one per lead byte, two for a four-byte sequence.
std::size_t Utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (const unsigned char c : utf8)
        units += (c & 0xC0) == 0x80 ? 0 : c >= 0xF0 ? 2 : 1;
    return units;
}

class ArgReader {
public:
    explicit ArgReader(const std::vector<std::string>& args) : m_args(args) {}

    bool AtEnd() const { return m_next >= m_args.size(); }

    // The next option's name, its "=value" kept back for Value.
    std::string Option()
    {
        std::string name = m_args[m_next++];
        m_inline.reset();
        if (const std::size_t equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
            m_inline = name.substr(equals + 1);
            name.resize(equals);
        }
        return name;
    }

    std::optional<std::string> Value()
    {
        if (m_inline)
            return std::exchange(m_inline, std::nullopt);
        if (AtEnd())
            return std::nullopt;
        return m_args[m_next++];
    }

private:
    const std::vector<std::string>& m_args;
    std::size_t m_next = 0;
    std::optional<std::string> m_inline;
};

// Every option but --help takes a value.
constexpr std::string_view kValueOptions[] = {"--template", "--photo", "--text",  "--font",  "--size",    "--colour",
                                              "--color",    "--outline", "--shadow", "-o",    "--batch",   "--out",
                                              "-j",         "--shard",   "--format", "--thumbnail"};

RenderArgs Wrong(std::string problem)
{
    RenderArgs wrong;
    wrong.problem = std::move(problem);
    return wrong;
}

// What an option's value says into args; a problem text when it says nothing sound.
std::string ReadOption(const std::string& option, const std::string& value, RenderArgs& args)
{
    CardRequest& card = args.card;
    if (option == "--template") {
        args.templateFolder = value;
    } else if (option == "--photo") {
        auto [file, box] = SplitPlace<PhotoBox>(value, PhotoBoxOf);
        if (file.empty())
            return "--photo needs a file name";
        card.photos.push_back({file, box});
    } else if (option == "--text") {
        auto [text, at] = SplitPlace<POINT>(value, PointOf);
        if (text.empty())
            return "--text needs a text";
        card.texts.push_back({WithLineBreaks(text), at});
    } else if (option == "--font") {
        if (value.empty() || Utf16Length(value) > LF_FACESIZE - 1)
            return "--font needs a face name of 1 to 31 characters";
        card.style.face = value;
    } else if (option == "--size") {
        const auto points = NumberOf<int>(value);
        if (!points || *points < 1 || *points > kMaxPoints)
            return "--size needs a point size from 1 to " + std::to_string(kMaxPoints) + ", not '" + value + "'";
        card.style.points = *points;
    } else if (option == "--colour" || option == "--color") {
        const auto colour = ColourOf(value);
        if (!colour)
            return "--colour needs a colour as #RRGGBB, not '" + value + "'";
        card.style.colour = *colour;
    } else if (option == "--outline") {
        const auto outline = OutlineOf(value);
        if (!outline)
            return "--outline needs #RRGGBB[,WIDTH], the width in points above 0 and at most " +
                   PointsText(kMaxOutlineWidth) + ", not '" + value + "'";
        card.style.look.outline = *outline;
    } else if (option == "--shadow") {
        const auto shadow = ShadowOf(value);
        if (!shadow)
            return "--shadow needs #RRGGBB[,DX,DY,BLUR] in points, the offsets at most " +
                   PointsText(kMaxShadowOffset) + " either way and the blur from 0 to " + PointsText(kMaxShadowBlur) +
                   ", not '" + value + "'";
        card.style.look.shadow = *shadow;
    } else if (option == "-o") {
        if (CardFormatOf(value) == 0 && !HasCardExtension(value))
            return "-o needs a file name ending in " + CardExtensionsText() + " or .orvantis, not '" + value + "'";
        card.output = value;
    } else if (option == "--format") {
        if (CardFormatOf("card." + value) == 0)
            return "--format needs one of " + CardExtensionsText() + " without the dot, not '" + value + "'";
        args.format = value;
    } else if (option == "--thumbnail") {
        const auto size = NumberOf<int>(value);
        if (!size || *size < 1 || *size > 1024)
            return "--thumbnail needs a size from 1 to 1024 pixels, not '" + value + "'";
        args.thumbnailSize = *size;
    } else if (option == "--batch") {
        args.csv = value;
    } else if (option == "--out") {
        args.outFolder = value;
    } else if (option == "--shard") {
        const std::size_t slash = value.find('/');
        const auto shard = NumberOf<std::size_t>(std::string_view(value).substr(0, slash));
        const auto shards =
            slash == std::string::npos ? std::nullopt : NumberOf<std::size_t>(std::string_view(value).substr(slash + 1));
        if (!shard || !shards || *shards < 1 || *shard >= *shards)
            return "--shard needs K/N, shard K of N with 0 <= K < N, not '" + value + "'";
        args.shard = *shard;
        args.shards = *shards;
    } else {  // -j
        const auto jobs = NumberOf<int>(value);
        if (!jobs || *jobs < 1 || *jobs > kMaxJobs)
            return "-j needs a number of jobs from 1 to " + std::to_string(kMaxJobs) + ", not '" + value + "'";
        args.jobs = *jobs;
    }
    return {};
}

}  // namespace

int DefaultJobs()
{
    return int(std::min(FindCpuBudget().Jobs(), unsigned(kMaxJobs)));
}

RenderArgs ParseRenderArgs(const std::vector<std::string>& arguments)
{
    RenderArgs args;
    bool cardOptions = false, batchOptions = false;
    for (ArgReader reader(arguments); !reader.AtEnd();) {
        const std::string option = reader.Option();
        if (option == "--help" || option == "-h") {
            args.mode = RenderArgs::Mode::Help;
            return args;
        }
        if (!option.empty() && option[0] != '-' && HasCardExtension(option)) {
            args.cardFiles.push_back(option);
            continue;
        }
        if (args.thumbnailSize > 0 && !option.empty() && option[0] != '-' && args.thumbnailOut.empty()) {
            args.thumbnailOut = option;  // --thumbnail SIZE CARD OUT: the output comes last
            continue;
        }
        if (option.empty() || option[0] != '-')
            return Wrong("unexpected argument '" + option + "'");
        if (std::find(std::begin(kValueOptions), std::end(kValueOptions), option) == std::end(kValueOptions))
            return Wrong("unknown option '" + option + "'");
        const std::optional<std::string> value = reader.Value();
        if (!value)
            return Wrong(option + " needs a value");
        if (std::string problem = ReadOption(option, *value, args); !problem.empty())
            return Wrong(problem);
        cardOptions |= option == "--photo" || option == "--text" || option == "-o";
        batchOptions |= option == "--batch" || option == "--out" || option == "-j" || option == "--shard" ||
                        option == "--format";
    }
    if (args.thumbnailSize > 0) {
        if (args.cardFiles.size() != 1 || args.thumbnailOut.empty() || cardOptions || batchOptions)
            return Wrong("--thumbnail SIZE takes one card file and the PNG file to write, nothing else");
        args.mode = RenderArgs::Mode::Thumbnail;
        return args;
    }
    // Several card files, or any with --out, are a batch of pictures.
    if (args.cardFiles.size() > 1 || (!args.cardFiles.empty() && batchOptions)) {
        if (cardOptions || !args.csv.empty() || args.outFolder.empty())
            return Wrong("card files rendered together need --out DIR and no --batch, --photo, --text or -o");
        args.mode = RenderArgs::Mode::Batch;
        return args;
    }
    if (!args.cardFiles.empty())
        args.card.cardFile = args.cardFiles.front();
    if (cardOptions && batchOptions)
        return Wrong("--photo, --text and -o make one card; --batch, --out, -j and --shard make many: not both");
    if (batchOptions) {
        if (args.csv.empty() || args.outFolder.empty())
            return Wrong("--batch needs both a CSV file and --out DIR");
        args.mode = RenderArgs::Mode::Batch;
    } else {
        if (args.card.output.empty())
            return Wrong("no output file: give -o OUT, a name ending in " + CardExtensionsText());
        args.mode = RenderArgs::Mode::Card;
    }
    return args;
}

std::string RenderUsage()
{
    return "Usage:\n"
           "  orvantis-render [--template DIR] [--photo FILE[@X,Y,W,H[,ANGLE]]]... [--text TEXT[@X,Y]]...\n"
           "                  [--font FACE] [--size N] [--colour #RRGGBB] [--outline COLOUR[,WIDTH]]\n"
           "                  [--shadow COLOUR[,DX,DY,BLUR]] -o OUT\n"
           "  orvantis-render --batch CARDS.csv --out DIR [-j N] [--shard K/N] [--template DIR]\n"
           "                  [--font FACE] [--size N] [--colour #RRGGBB] [--outline ...] [--shadow ...]\n"
           "  orvantis-render CARD.orvantis [--photo ...] [--text ...] -o OUT\n"
           "  orvantis-render CARD.orvantis... --out DIR [--format jpg|png|bmp] [-j N] [--shard K/N]\n"
           "  orvantis-render --thumbnail SIZE CARD.orvantis OUT.png\n"
           "\n"
           "Renders cards at the full resolution of their template, as Save does in the program.\n"
           "  --template DIR  the template folder (holding this.tpl); the default card without it\n"
           "  --photo FILE    a photo, placed as the program places an opened photo and fitted to\n"
           "                  cover the frame's window; @X,Y,W,H[,ANGLE] puts it in that box of card\n"
           "                  pixels instead, turned by ANGLE degrees about its centre\n"
           "  --text TEXT     a text at card pixel @X,Y; without one, centred below the frame's window,\n"
           "                  clear of the card's texts, or where the card has no room there, at the\n"
           "                  foot of the window over the photo; \\n in TEXT breaks the line (\\\\n\n"
           "                  keeps a backslash and an n)\n"
           "  --font, --size, --colour  the face, point size and colour of the texts\n"
           "                  (Times New Roman, 48, #FFFFFF)\n"
           "  --outline COLOUR[,WIDTH]  an outline of the texts in #RRGGBB, WIDTH points wide (2)\n"
           "  --shadow COLOUR[,DX,DY,BLUR]  a shadow under the texts in #RRGGBB, moved DX points right\n"
           "                  and DY down and softened over BLUR points (3, 3, 4); outline and\n"
           "                  shadow grow with the card as its fonts do\n"
           "  CARD.orvantis   a card file saved by the program: the card starts from it instead of\n"
           "                  the template, and renders to the same bytes as the program's Save\n"
           "  -o OUT          the picture; its extension (" + CardExtensionsText() + ") chooses\n"
           "                  " + CardFormatNamesText() + "; a name ending in .orvantis writes the\n"
           "                  card assembled as a card file instead\n"
           "  --batch CSV     one card per row after the header: photo, text, output file name;\n"
           "                  photo paths are relative to the CSV file's folder\n"
           "  --out DIR       where the batch's cards go (made when missing); card files given\n"
           "                  together render one picture each, named after the card file\n"
           "  --format EXT    the pictures' format for card files rendered together (default jpg)\n"
           "  --thumbnail SIZE CARD OUT\n"
           "                  the card file's stored preview as a PNG of at most SIZE pixels (what\n"
           "                  file managers show)\n"
           "  -j N            render N cards at a time, each in a process of its own (default: one per\n"
           "                  CPU this process may use, its affinity mask bounded by a control group's\n"
           "                  CPU quota: " + FindCpuBudget().Describe() + " here)\n"
           "  --shard K/N     only the rows whose index, counted from 0 after the header, is K modulo N,\n"
           "                  under their own output names: N runs with K = 0 .. N-1 make the whole batch\n"
           "  --help          this text\n"
           "\n"
           "Off a terminal, progress is a line every 5 s or every tenth of the cards; a summary of\n"
           "the cards written and failed ends the run. Exit status: 0 when every card was written,\n"
           "1 when one failed, 2 for a wrong command line.\n"
           "\n"
           "A cluster's job array splits a batch, one shard per task (shards count from 0):\n"
           "  Slurm, with #SBATCH --array=0-9 in the job script:\n"
           "    orvantis-render --batch cards.csv --out cards \\\n"
           "                    --shard \"$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT\"\n"
           "  a Kubernetes Indexed Job (completionMode: Indexed, completions: 10):\n"
           "    orvantis-render --batch cards.csv --out cards --shard \"$JOB_COMPLETION_INDEX/10\"\n";
}
