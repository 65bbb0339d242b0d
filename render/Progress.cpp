#include "render/Progress.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace {

// Off a terminal, a line at least this often while cards finish.
constexpr double kLineSeconds = 5;

double SteadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string ProgressText(int done, int total, int width)
{
    const int marks = total > 0 ? int(std::int64_t(std::clamp(done, 0, total)) * width / total) : width;
    return "[" + std::string(std::size_t(marks), '#') + std::string(std::size_t(width - marks), '.') + "] " +
           std::to_string(done) + "/" + std::to_string(total);
}

ProgressBar::ProgressBar(std::FILE* out, int total, bool inPlace, std::function<double()> now)
    : m_out(out), m_total(total), m_inPlace(inPlace), m_now(now ? std::move(now) : SteadySeconds)
{
    m_start = m_lastLine = m_now();
    if (m_inPlace)
        Draw();
}

bool ProgressBar::Due() const
{
    const int finished = m_written + int(m_failed.size());
    const int tenth = m_total > 0 ? int(std::int64_t(finished) * 10 / m_total) : 10;
    return tenth > m_lastTenth || m_now() - m_lastLine >= kLineSeconds;
}

void ProgressBar::Written()
{
    ++m_written;
    if (m_inPlace || Due())
        Draw();
}

void ProgressBar::Failed(const std::string& name, const std::string& message)
{
    m_failed.push_back(name);
    Message("orvantis-render: " + name + ": " + message);
    if (!m_inPlace && Due())
        Draw();
}

void ProgressBar::Message(const std::string& line)
{
    // On a terminal the message takes the bar's line, which is drawn anew below.
    std::fprintf(m_out, m_inPlace ? "\r\033[K%s\n" : "%s\n", line.c_str());
    if (m_inPlace)
        Draw();
    std::fflush(m_out);
}

void ProgressBar::Draw()
{
    std::string line = ProgressText(m_written, m_total);
    if (!m_failed.empty())
        line += ", " + std::to_string(m_failed.size()) + " failed";
    std::fprintf(m_out, m_inPlace ? "\r\033[K%s" : "%s\n", line.c_str());
    std::fflush(m_out);
    const int finished = m_written + int(m_failed.size());
    m_lastTenth = m_total > 0 ? int(std::int64_t(finished) * 10 / m_total) : 10;
    m_lastLine = m_now();
}

void ProgressBar::Finish()
{
    if (m_inPlace)
        std::fputc('\n', m_out);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", m_now() - m_start);
    std::string summary = "orvantis-render: " + std::to_string(m_written) + " of " + std::to_string(m_total) +
                          (m_total == 1 ? " card" : " cards") + " written";
    if (!m_failed.empty()) {
        summary += ", " + std::to_string(m_failed.size()) + " failed:";
        for (std::size_t i = 0; i < m_failed.size(); ++i)
            summary += (i ? ", " : " ") + m_failed[i];
    }
    std::fprintf(m_out, "%s, in %s\n", summary.c_str(), seconds);
    std::fflush(m_out);
}
