#include "model/TemplateStore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/TemplateNames.h"
#include "model/TemplateSave.h"
#include "model/WorkArea.h"

namespace fs = std::filesystem;

namespace {

TemplateWriteResult Result(TemplateWriteStatus status, std::string message, fs::path folder = {})
{
    return {status, std::move(message), std::move(folder)};
}

bool IsLink(const fs::path& path)
{
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(path, error));
}

bool Exists(const fs::path& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// A hidden, unique folder beside target: the listings skip names that begin
// with a dot, and safe names never do.
fs::path MakeWorkingFolder(const fs::path& target, const char* purpose)
{
    std::string pattern = (target.parent_path() / ("." + std::string(purpose) + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        return {};
    ::chmod(pattern.c_str(), 0755);
    return pattern;
}

// Puts from where to is, atomically: when to exists it is swapped in and
// comes back at from. False with errno when the file system refused.
bool MoveInto(const fs::path& from, const fs::path& to, bool swap)
{
    const unsigned flags = swap ? RENAME_EXCHANGE : RENAME_NOREPLACE;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags) == 0)
        return true;
    // File systems without the flags: two plain renames, the old folder out
    // of the way first, still never a half-written template in place.
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (!swap)
        return !Exists(to) && std::rename(from.c_str(), to.c_str()) == 0;
    const fs::path aside = MakeWorkingFolder(to, "old");
    if (aside.empty() || std::rename(to.c_str(), aside.c_str()) != 0)
        return false;
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        const int reason = errno;
        std::rename(aside.c_str(), to.c_str());
        errno = reason;
        return false;
    }
    // The old template goes where the new one was, as after a swap.
    std::error_code error;
    if (std::rename(aside.c_str(), from.c_str()) != 0)
        fs::remove_all(aside, error);
    return true;
}

std::string Quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

// The name made safe, or the refusal to give.
std::string CheckedName(std::string_view typed, const char* what, std::string& refusal)
{
    std::string safe = SafeTemplateName(typed);
    if (safe.empty())
        refusal = std::string("The ") + what + " name " + Quoted(std::string(typed.substr(0, 80))) +
                  " holds nothing a folder can be named by: give a name with letters or digits.";
    return safe;
}

}  // namespace

TemplateWriteResult WriteNewTemplate(const WorkArea& card, const fs::path& root, std::string_view category,
                                     std::string_view name, bool replace)
{
    std::string refusal;
    const std::string safeCategory = CheckedName(category, "category", refusal);
    const std::string safeName = refusal.empty() ? CheckedName(name, "template", refusal) : std::string();
    if (!refusal.empty())
        return Result(TemplateWriteStatus::Refused, refusal);
    if (root.empty())
        return Result(TemplateWriteStatus::Failed, "There is no folder for the user's templates (HOME is not set).");
    const SIZE frame = card.GetFrameSize();
    if (frame.cx <= 0 || frame.cy <= 0)
        return Result(TemplateWriteStatus::Refused, "The card has no frame to make a template of.");
    const fs::path categoryFolder = root / safeCategory;
    const fs::path target = categoryFolder / safeName;
    const std::string label = Quoted(safeCategory + "/" + safeName);
    if (IsLink(root / safeCategory) || IsLink(target))
        return Result(TemplateWriteStatus::Refused,
                      "The template " + label + " cannot be written: its folder is a link to elsewhere.", target);
    const bool exists = Exists(target);
    if (exists && !replace)
        return Result(TemplateWriteStatus::Exists, "A template named " + label + " exists already.", target);

    std::error_code error;
    fs::create_directories(categoryFolder, error);
    if (error)
        return Result(TemplateWriteStatus::Failed,
                      "The folder " + categoryFolder.string() + " cannot be made: " + error.message() + ".", target);
    const fs::path working = MakeWorkingFolder(target, "new");
    if (working.empty())
        return Result(TemplateWriteStatus::Failed, "Nothing can be written in " + categoryFolder.string() + ": " +
                                                       std::strerror(errno) + ".", target);
    if (std::string why; !SaveTemplate(card, working, &why)) {
        fs::remove_all(working, error);
        return Result(TemplateWriteStatus::Failed,
                      "The template " + label + " could not be written: " + why + "; nothing was changed.", target);
    }
    if (!MoveInto(working, target, exists)) {
        const int reason = errno;
        fs::remove_all(working, error);
        if (reason == EEXIST || reason == ENOTEMPTY)
            return Result(TemplateWriteStatus::Exists, "A template named " + label + " exists already.", target);
        return Result(TemplateWriteStatus::Failed,
                      "The template " + label + " could not be put in place: " + std::strerror(reason) + ".", target);
    }
    // A replacement leaves the old template in the working folder.
    fs::remove_all(working, error);
    return Result(TemplateWriteStatus::Written, "Template " + label + " saved.", target);
}

TemplateWriteResult RenameTemplate(const fs::path& folder, std::string_view newName)
{
    std::string refusal;
    const std::string safeName = CheckedName(newName, "template", refusal);
    if (!refusal.empty())
        return Result(TemplateWriteStatus::Refused, refusal, folder);
    const fs::path target = folder.parent_path() / safeName;
    if (target == folder)
        return Result(TemplateWriteStatus::Written, "The template keeps its name.", folder);
    if (IsLink(folder))
        return Result(TemplateWriteStatus::Refused, "The template " + folder.string() + " is a link to elsewhere.",
                      folder);
    if (Exists(target))
        return Result(TemplateWriteStatus::Exists, "A template named " + Quoted(safeName) + " exists already.", target);
    if (!MoveInto(folder, target, false))
        return Result(errno == EEXIST || errno == ENOTEMPTY ? TemplateWriteStatus::Exists : TemplateWriteStatus::Failed,
                      "The template could not be renamed to " + Quoted(safeName) + ": " + std::strerror(errno) + ".",
                      target);
    return Result(TemplateWriteStatus::Written, "Template renamed to " + Quoted(safeName) + ".", target);
}

bool RemoveTemplate(const fs::path& folder, std::string& error)
{
    if (IsLink(folder) || !fs::is_directory(folder)) {
        error = "The template " + folder.string() + " is not a folder of its own.";
        return false;
    }
    // Out of the listing first (a folder renamed over an empty one replaces
    // it), then its files.
    const fs::path removed = MakeWorkingFolder(folder, "removed");
    if (removed.empty() || std::rename(folder.c_str(), removed.c_str()) != 0) {
        const int reason = errno;
        if (!removed.empty())
            ::rmdir(removed.c_str());
        error = "The template " + folder.string() + " could not be removed: " + std::strerror(reason) + ".";
        return false;
    }
    std::error_code failed;
    fs::remove_all(removed, failed);
    return true;
}
