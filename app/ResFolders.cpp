#include "app/ResFolders.h"

#include <cstdlib>
#include <system_error>

#include <unistd.h>

#include "app/ProgramFolder.h"

namespace fs = std::filesystem;

fs::path InstalledResFolder()
{
    return GetAppDir() / "res";
}

fs::path UserResFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return fs::path(data) / "orvantis" / "res";
    const char* home = std::getenv("HOME");
    if (home && home[0])
        return fs::path(home) / ".local" / "share" / "orvantis" / "res";
    return {};
}

bool IsWritableFolder(const fs::path& folder)
{
    // The nearest folder that exists decides: a missing one is made in it.
    std::error_code error;
    fs::path existing = folder;
    while (!existing.empty() && !fs::exists(existing, error)) {
        if (existing == existing.parent_path())
            return false;
        existing = existing.parent_path();
    }
    return !existing.empty() && fs::is_directory(existing, error) && ::access(existing.c_str(), W_OK | X_OK) == 0;
}

fs::path WritableResFolder()
{
    const fs::path installed = InstalledResFolder();
    if (IsWritableFolder(installed))
        return installed;
    return UserResFolder();
}

fs::path WritableTemplateRoot()
{
    const fs::path res = WritableResFolder();
    return res.empty() ? res : res / "template";
}

std::vector<fs::path> TemplateRoots()
{
    std::vector<fs::path> roots;
    std::error_code error;
    const fs::path installed = InstalledResFolder() / "template";
    if (fs::is_directory(installed, error))
        roots.push_back(installed);
    const fs::path user = UserResFolder();
    if (!user.empty()) {
        const fs::path userTemplates = user / "template";
        if (fs::is_directory(userTemplates, error) && !fs::equivalent(userTemplates, installed, error))
            roots.push_back(userTemplates);
    }
    return roots;
}
