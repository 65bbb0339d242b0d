// The user's own templates as folders root/<category>/<name>/: a new one
// written whole or not at all, renamed, removed. Names are made safe first
// (TemplateNames.h), and nothing is written outside root: a category or
// template folder that is a symbolic link is refused.
//
// A new template is written into a hidden working folder beside its place
// and renamed into it only once both files are complete, so a full disk, a
// read-only folder or a crash never leaves half a template that the
// selection dialog would list. Replacing swaps the two folders in one step.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class WorkArea;

enum class TemplateWriteStatus {
    Written,
    Exists,   // a template of that name is there; nothing was written
    Refused,  // the name or the card cannot make a template
    Failed,   // the file system did not let it be written
};

struct TemplateWriteResult {
    TemplateWriteStatus status;
    std::string message;            // the text to show the user
    std::filesystem::path folder;   // where the template is (or would be)

    bool Succeeded() const { return status == TemplateWriteStatus::Written; }
};

// The card's frame and texts (as Save Template writes them: this.tpl and its
// thumb.jpg) as the template root/category/name. A template of that name is
// replaced only when replace is set; else the result is Exists.
TemplateWriteResult WriteNewTemplate(const WorkArea& card, const std::filesystem::path& root, std::string_view category,
                                     std::string_view name, bool replace);

// Renames the template folder within its category; Exists when the new name
// is taken.
TemplateWriteResult RenameTemplate(const std::filesystem::path& folder, std::string_view newName);

// Removes the template folder and everything in it; it vanishes from the
// listing at once, even when removing its files fails half-way.
bool RemoveTemplate(const std::filesystem::path& folder, std::string& error);
