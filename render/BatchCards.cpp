#include "render/BatchCards.h"

#include <map>

#include "app/FileFormats.h"
#include "render/CsvReader.h"

namespace {

constexpr std::size_t kFields = 3;

// A name that stays inside the output folder and says BMP, JPEG or PNG.
std::string OutputNameProblem(const std::string& name)
{
    if (name.empty())
        return "the output name is empty";
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos || name == "." || name == "..")
        return "the output name '" + name + "' is not a plain file name";
    if (CardFormatOf(name) == 0)
        return "the output name '" + name + "' does not end in " + CardExtensionsText();
    return {};
}

}  // namespace

std::vector<BatchCard> ReadBatchCards(std::string_view csv, const std::filesystem::path& csvFolder,
                                      const std::filesystem::path& outFolder, const TextStyle& style,
                                      std::string& headerProblem)
{
    std::vector<CsvRecord> records = ReadCsv(csv);
    headerProblem.clear();
    if (records.empty()) {
        headerProblem = "no header line";
        return {};
    }
    if (!records[0].problem.empty() || records[0].fields.size() != kFields)
        headerProblem = "the header line should name three columns: photo, text, output name";

    std::vector<BatchCard> cards;
    std::map<std::string, int> rowOfOutput;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const CsvRecord& record = records[i];
        BatchCard& entry = cards.emplace_back();
        entry.row = int(i);
        entry.line = record.line;
        if (!record.problem.empty()) {
            entry.problem = record.problem;
            continue;
        }
        if (record.fields.size() != kFields) {
            entry.problem =
                std::to_string(record.fields.size()) + " fields where photo, text and output name are three";
            continue;
        }
        const std::string& photo = record.fields[0];
        const std::string& text = record.fields[1];
        const std::string& output = record.fields[2];
        entry.problem = OutputNameProblem(output);
        if (!entry.problem.empty())
            continue;
        // Two rows writing one file would leave only the last of them.
        if (const auto [earlier, fresh] = rowOfOutput.emplace(output, entry.row); !fresh) {
            entry.problem = "row " + std::to_string(earlier->second) + " already writes '" + output + "'";
            continue;
        }
        if (!photo.empty())
            entry.card.photos.push_back({csvFolder / photo, std::nullopt});
        if (!text.empty())
            entry.card.texts.push_back({text, std::nullopt});
        entry.card.style = style;
        entry.card.output = outFolder / output;
    }
    return cards;
}

std::vector<BatchCard> CardFileJobs(const std::vector<std::filesystem::path>& files,
                                    const std::filesystem::path& outFolder, const std::string& format)
{
    std::vector<BatchCard> cards;
    std::map<std::string, std::string> cardOfOutput;
    for (std::size_t i = 0; i < files.size(); ++i) {
        BatchCard entry;
        entry.name = "card '" + files[i].string() + "'";
        entry.row = int(i + 1);
        entry.card.cardFile = files[i];
        const std::string output = files[i].stem().string() + "." + format;
        entry.card.output = outFolder / output;
        if (const auto [earlier, fresh] = cardOfOutput.emplace(output, files[i].string()); !fresh)
            entry.problem = "'" + earlier->second + "' already writes '" + output + "'";
        cards.push_back(std::move(entry));
    }
    return cards;
}
