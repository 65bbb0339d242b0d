#include "app/TemplateCatalog.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Folded(const std::string& name)
{
    std::string folded = name;
    std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return folded;
}

// The folders in folder (links to folders count; files, unreadable entries
// and hidden folders, such as a template still being written, do not).
std::vector<fs::path> SubFolders(const fs::path& folder)
{
    std::vector<fs::path> folders;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kind;
        if (it->path().filename().string()[0] != '.' && it->is_directory(kind))
            folders.push_back(it->path());
    }
    return folders;
}

// By name without regard to case; equal names in their exact order, so the
// listing does not depend on the order the file system returns them in.
bool NameBefore(const std::string& a, const std::string& b)
{
    const std::string fa = Folded(a), fb = Folded(b);
    return fa != fb ? fa < fb : a < b;
}

}  // namespace

std::vector<std::unique_ptr<TemplateCategory>> ListTemplateCategories(const std::vector<fs::path>& roots)
{
    std::vector<std::unique_ptr<TemplateCategory>> categories;
    for (const fs::path& root : roots)
        for (const fs::path& folder : SubFolders(root)) {
            const std::string name = folder.filename().string();
            auto same = std::find_if(categories.begin(), categories.end(),
                                     [&](const auto& category) { return category->m_strName == name; });
            if (same == categories.end()) {
                categories.push_back(std::make_unique<TemplateCategory>());
                categories.back()->m_strName = name;
                same = categories.end() - 1;
            }
            (*same)->m_folders.push_back(folder);
        }
    std::sort(categories.begin(), categories.end(), [](const auto& a, const auto& b) {
        const bool aOthers = Folded(a->m_strName) == "others", bOthers = Folded(b->m_strName) == "others";
        return aOthers != bOthers ? bOthers : NameBefore(a->m_strName, b->m_strName);
    });
    return categories;
}

void LoadCategoryTemplates(TemplateCategory& category)
{
    if (!category.m_templates.empty())
        return;
    for (const fs::path& folder : category.m_folders)
        for (const fs::path& path : SubFolders(folder)) {
            auto same = std::find_if(category.m_templates.begin(), category.m_templates.end(),
                                     [&](const fs::path& t) { return t.filename() == path.filename(); });
            if (same != category.m_templates.end())
                *same = path;  // a later root's template shadows the earlier one
            else
                category.m_templates.push_back(path);
        }
    std::sort(category.m_templates.begin(), category.m_templates.end(), [](const fs::path& a, const fs::path& b) {
        return NameBefore(a.filename().string(), b.filename().string());
    });
}
