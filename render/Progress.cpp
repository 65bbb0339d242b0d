#include "render/Progress.h"

#include <algorithm>
#include <cstdint>

std::string ProgressText(int done, int total, int width)
{
    const int marks = total > 0 ? int(std::int64_t(std::clamp(done, 0, total)) * width / total) : width;
    return "[" + std::string(std::size_t(marks), '#') + std::string(std::size_t(width - marks), '.') + "] " +
           std::to_string(done) + "/" + std::to_string(total);
}

ProgressBar::ProgressBar(std::FILE* out, int total, bool inPlace) : m_out(out), m_total(total), m_inPlace(inPlace)
{
    if (m_inPlace)
        Draw();
}

void ProgressBar::Advance()
{
    ++m_done;
    Draw();
}

void ProgressBar::Message(const std::string& line)
{
    // On a terminal the message takes the bar's line, which is drawn anew below.
    std::fprintf(m_out, m_inPlace ? "\r\033[K%s\n" : "%s\n", line.c_str());
    if (m_inPlace)
        Draw();
}

void ProgressBar::Draw()
{
    std::fprintf(m_out, m_inPlace ? "\r%s" : "%s\n", ProgressText(m_done, m_total).c_str());
    std::fflush(m_out);
}

void ProgressBar::Finish()
{
    if (m_inPlace)
        std::fputc('\n', m_out);
    std::fflush(m_out);
}
