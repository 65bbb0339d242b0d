// A tree of template roots for a test: root/<category>/<template>/ with a
// this.tpl written by the program's own writer and, unless left out, a
// thumb.jpg; removed at the end.
#pragma once

#include <filesystem>
#include <string>

#include <unistd.h>

#include "image/PxImage.h"
#include "model/WorkArea.h"
#include "tests/model/CardFixtures.h"

namespace testtemplates {

class TemplateTree {
public:
    explicit TemplateTree(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() / ("orvantis-tree-" + name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TemplateTree() { std::filesystem::remove_all(m_path); }
    TemplateTree(const TemplateTree&) = delete;
    TemplateTree& operator=(const TemplateTree&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

    // root/category/name with a width x height frame; the thumbnail is
    // filled with grey (or left out when thumbGrey < 0).
    std::filesystem::path Add(const std::string& root, const std::string& category, const std::string& name,
                              LONG width = 300, LONG height = 200, int thumbGrey = 128)
    {
        const std::filesystem::path folder = m_path / root / category / name;
        std::filesystem::create_directories(folder);
        const auto frame = cardfixtures::Frame(width, height, {width / 4, height / 4, width * 3 / 4, height * 3 / 4});
        WorkArea::WriteTemplateFile({frame.get()}, folder / "this.tpl");
        if (thumbGrey >= 0) {
            PxImage thumb(100, 70, 24, 0);
            thumb.Clear(std::uint8_t(thumbGrey));
            thumb.Save(folder / "thumb.jpg", FormatJpg);
        }
        return folder;
    }

private:
    std::filesystem::path m_path;
};

}  // namespace testtemplates
