// Export Template Package: template folders written as a ZIP package in the
// layout Import Template reads, template/<category>/<name>/this.tpl and
// thumb.jpg, the category and name being the folders' own names.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct TemplateExportResult {
    bool written = false;
    std::string message;  // the text to show the user
    int templates = 0;    // how many went into the package
};

// The templates a folder stands for: itself when it holds a this.tpl,
// else every folder in it that does (a category), sorted by name.
std::vector<std::filesystem::path> TemplatesIn(const std::filesystem::path& folder);

// Writes the package, complete or not at all. Every folder must hold a
// this.tpl and have a category folder above it; their names must be safe
// folder names (so the package imports as it was exported) and each
// category/name pair may occur once.
TemplateExportResult ExportTemplatePackage(const std::vector<std::filesystem::path>& templates,
                                           const std::filesystem::path& package);
