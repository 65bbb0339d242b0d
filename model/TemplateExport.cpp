#include "model/TemplateExport.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "model/TemplateNames.h"
#include "model/ZipWriter.h"

namespace fs = std::filesystem;

namespace {

bool HoldsTemplate(const fs::path& folder)
{
    std::error_code error;
    return fs::is_regular_file(folder / "this.tpl", error);
}

fs::path WithoutTrailingSeparator(const fs::path& path)
{
    return path.has_filename() || !path.has_parent_path() ? path : path.parent_path();
}

TemplateExportResult Refused(std::string message)
{
    return {false, "Export failed: " + std::move(message), 0};
}

}  // namespace

std::vector<fs::path> TemplatesIn(const fs::path& given)
{
    const fs::path folder = WithoutTrailingSeparator(given);
    if (HoldsTemplate(folder))
        return {folder};
    std::vector<fs::path> templates;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().filename().string()[0] != '.' && HoldsTemplate(it->path()))
            templates.push_back(it->path());
    std::sort(templates.begin(), templates.end());
    return templates;
}

TemplateExportResult ExportTemplatePackage(const std::vector<fs::path>& templates, const fs::path& package)
{
    if (templates.empty())
        return Refused("there is no template to export.");
    std::set<std::string> prefixes;
    for (const fs::path& given : templates) {
        const fs::path folder = WithoutTrailingSeparator(given);
        const std::string name = folder.filename().string(), category = folder.parent_path().filename().string();
        if (!HoldsTemplate(folder))
            return Refused(folder.string() + " holds no template (this.tpl).");
        if (!IsSafeTemplateName(name) || !IsSafeTemplateName(category))
            return Refused("the folder names of " + folder.string() +
                           " cannot be carried by a package; rename the template first.");
        if (!prefixes.insert("template/" + category + "/" + name + "/").second)
            return Refused("two templates are named " + category + "/" + name + ".");
    }
    ZipWriter zip(package);
    if (!zip.IsOpen())
        return Refused(package.string() + " cannot be written: " + zip.Reason() + ".");
    std::string error;
    for (const fs::path& given : templates) {
        const fs::path folder = WithoutTrailingSeparator(given);
        const std::string prefix =
            "template/" + folder.parent_path().filename().string() + "/" + folder.filename().string() + "/";
        std::error_code missing;
        if (!zip.AddFile(folder / "this.tpl", prefix + "this.tpl", error) ||
            (fs::is_regular_file(folder / "thumb.jpg", missing) &&
             !zip.AddFile(folder / "thumb.jpg", prefix + "thumb.jpg", error)))
            return Refused(error + ".");
    }
    if (!zip.Commit(error))
        return Refused(error + ".");
    const int count = int(templates.size());
    return {true, "Exported " + std::to_string(count) + (count == 1 ? " template" : " templates") + " to " +
                      package.string() + ".",
            count};
}
