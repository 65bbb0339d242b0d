#include "model/TemplatePackage.h"

#include <algorithm>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#include "model/ZipReader.h"

namespace {

namespace fs = std::filesystem;

struct PlannedEntry {
    int index;
    std::string name;
    fs::path destination;
};

TemplateImportResult InvalidPackage()
{
    return {TemplateImportStatus::Invalid, "Invalid Template File!"};
}

fs::path WithoutTrailingSeparator(const fs::path& path)
{
    return path.has_filename() || !path.has_parent_path() ? path : path.parent_path();
}

// UTF-16 units of a UTF-8 name: one per sequence, two for four-byte ones.
std::size_t Utf16Length(const std::string& name)
{
    std::size_t units = 0;
    for (const unsigned char byte : name) {
        if ((byte & 0xC0) != 0x80)
            ++units;
        if (byte >= 0xF0)  // beyond the basic plane: a surrogate pair
            ++units;
    }
    return units;
}

// res / name, resolved lexically; empty unless it lies strictly inside res.
// Both "/" and "\" separate folders, as they do where packages are made.
fs::path DestinationInside(const fs::path& root, std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    const fs::path destination = WithoutTrailingSeparator((root / name).lexically_normal());
    const fs::path relative = destination.lexically_relative(root);
    if (relative.empty() || relative == "." || *relative.begin() == "..")
        return {};
    return destination;
}

// True when a folder or file on the way from root to destination is a
// symbolic link, which would carry the entry elsewhere.
bool PassesThroughLink(const fs::path& root, const fs::path& destination)
{
    fs::path step = root;
    for (const fs::path& part : destination.lexically_relative(root)) {
        step /= part;
        std::error_code error;
        const fs::file_status status = fs::symlink_status(step, error);
        if (fs::is_symlink(status))
            return true;
        if (!fs::exists(status))
            return false;
    }
    return false;
}

// Reads and checks every entry: the refusal to show when the package may
// not be imported, else nothing, with the entries to extract in plan.
std::optional<TemplateImportResult> PlanImport(ZipReader& reader, const fs::path& root, std::vector<PlannedEntry>& plan)
{
    ZipEntryInfo info;
    reader.GetEntry(-1, info);
    const int count = info.index;
    if (count > kMaxTemplateEntries)
        return TemplateImportResult{TemplateImportStatus::TooLarge,
                                    "Template package refused: it holds " + std::to_string(count) +
                                        " entries, more than " + std::to_string(kMaxTemplateEntries) + "!"};
    std::set<fs::path> destinations;
    std::uint64_t totalBytes = 0;
    for (int i = 0; i < count; ++i) {
        if (reader.GetEntry(i, info) != ZipResult::Ok || info.name.compare(0, 3, "tem") != 0 || info.symbolicLink ||
            Utf16Length(info.name) > kMaxTemplateEntryName)
            return InvalidPackage();
        fs::path destination = DestinationInside(root, info.name);
        if (destination.empty() || PassesThroughLink(root, destination) || !destinations.insert(destination).second)
            return InvalidPackage();
        totalBytes += std::min(info.uncompressedSize, kMaxTemplateEntryBytes + 1);
        if (info.uncompressedSize > kMaxTemplateEntryBytes || totalBytes > kMaxTemplatePackageBytes)
            return TemplateImportResult{TemplateImportStatus::TooLarge,
                                        "Template package refused: " + info.name + " would unpack to more than " +
                                            (info.uncompressedSize > kMaxTemplateEntryBytes ? "256 MiB!" : "1 GiB in all!")};
        plan.push_back({i, info.name, std::move(destination)});
    }
    return std::nullopt;
}

}  // namespace

TemplateImportResult ImportTemplatePackage(const fs::path& package, const fs::path& resFolder)
{
    const fs::path root = WithoutTrailingSeparator(resFolder.lexically_normal());
    if (root.empty())
        return {TemplateImportStatus::Failed, "Import failed: there is no folder to import into!"};
    const std::unique_ptr<ZipReader> reader = ZipReader::Open(package);
    if (!reader)
        return InvalidPackage();
    std::vector<PlannedEntry> plan;
    if (std::optional<TemplateImportResult> refusal = PlanImport(*reader, root, plan))
        return *refusal;
    for (const PlannedEntry& entry : plan)
        if (reader->ExtractEntry(entry.index, entry.destination) != ZipResult::Ok)
            return {TemplateImportStatus::Failed, "Import failed: " + entry.name + " could not be extracted!"};
    return {TemplateImportStatus::Complete, "Import Complete!"};
}
