// A template folder written for a test: a frame of the given size with a
// transparent window, through the program's own template writer.
#pragma once

#include <filesystem>
#include <string>

#include <unistd.h>

#include "model/WorkArea.h"
#include "tests/model/CardFixtures.h"

namespace testtemplates {

class TemplateFolder {
public:
    TemplateFolder(LONG width, LONG height, RECT window, const std::string& name = "tpl")
        : m_path(std::filesystem::temp_directory_path() /
                 ("orvantis-" + name + "-" + std::to_string(::getpid()) + "-" + std::to_string(width) + "x" +
                  std::to_string(height)))
    {
        std::filesystem::create_directories(m_path);
        const auto frame = cardfixtures::Frame(width, height, window);
        m_written = WorkArea::WriteTemplateFile({frame.get()}, m_path / "this.tpl");
    }
    ~TemplateFolder() { std::filesystem::remove_all(m_path); }
    TemplateFolder(const TemplateFolder&) = delete;
    TemplateFolder& operator=(const TemplateFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    bool Written() const { return m_written; }

private:
    std::filesystem::path m_path;
    bool m_written = false;
};

}  // namespace testtemplates
