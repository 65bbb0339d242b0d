// The installed templates, by category: every folder of a template root is a
// category, every folder inside a category a template. Categories and
// templates are listed by name without regard to case, a category named
// "others" (in any case) last. A category or template of the same name in a
// later root (the user's) joins the earlier one; a template of the same name
// there shadows the installed one.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct TemplateCategory {
    std::string m_strName;
    // The category's folder in each root that has it, in root order.
    std::vector<std::filesystem::path> m_folders;
    // The template folders, filled by LoadCategoryTemplates.
    std::vector<std::filesystem::path> m_templates;
};

std::vector<std::unique_ptr<TemplateCategory>> ListTemplateCategories(const std::vector<std::filesystem::path>& roots);

// Reads the category's template folders once: a category that already
// lists templates is left as it is.
void LoadCategoryTemplates(TemplateCategory& category);
