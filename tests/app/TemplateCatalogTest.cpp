#include <gtest/gtest.h>

#include <fstream>

#include "app/TemplateCatalog.h"
#include "tests/app/TemplateTree.h"

namespace {

using testtemplates::TemplateTree;

std::vector<std::string> Names(const std::vector<std::unique_ptr<TemplateCategory>>& categories)
{
    std::vector<std::string> names;
    for (const auto& category : categories)
        names.push_back(category->m_strName);
    return names;
}

TEST(TemplateCatalog, CategoriesByNameWithOthersLast)
{
    TemplateTree tree("order");
    for (const char* category : {"wedding", "others", "Birthday", "Baby"})
        tree.Add("installed", category, "one");
    std::ofstream(tree.Path() / "installed" / "notes.txt") << "a file is no category";
    EXPECT_EQ(Names(ListTemplateCategories({tree.Path() / "installed"})),
              (std::vector<std::string>{"Baby", "Birthday", "wedding", "others"}));

    TemplateTree upper("upper");
    upper.Add("r", "OTHERS", "one");
    upper.Add("r", "Travel", "one");
    EXPECT_EQ(Names(ListTemplateCategories({upper.Path() / "r"})), (std::vector<std::string>{"Travel", "OTHERS"}));
    EXPECT_TRUE(ListTemplateCategories({upper.Path() / "missing"}).empty());
}

TEST(TemplateCatalog, UserTemplatesJoinAndShadowTheInstalledOnes)
{
    TemplateTree tree("roots");
    tree.Add("installed", "Birthday", "Balloons");
    tree.Add("installed", "Birthday", "cake");
    const auto userBalloons = tree.Add("user", "Birthday", "Balloons");
    const auto userStars = tree.Add("user", "Birthday", "Stars");
    tree.Add("user", "Mine", "first");

    auto categories = ListTemplateCategories({tree.Path() / "installed", tree.Path() / "user"});
    ASSERT_EQ(Names(categories), (std::vector<std::string>{"Birthday", "Mine"}));
    TemplateCategory& birthday = *categories[0];
    LoadCategoryTemplates(birthday);
    ASSERT_EQ(birthday.m_templates.size(), 3u);
    EXPECT_EQ(birthday.m_templates[0], userBalloons);
    EXPECT_EQ(birthday.m_templates[1], tree.Path() / "installed" / "Birthday" / "cake");
    EXPECT_EQ(birthday.m_templates[2], userStars);

    // Read once: a template added later shows up only on the next listing.
    tree.Add("installed", "Birthday", "later");
    LoadCategoryTemplates(birthday);
    EXPECT_EQ(birthday.m_templates.size(), 3u);
}

}  // namespace
