// The batch's progress on standard error. On a terminal a bar,
// "[#######.......] 37/100", redrawn in place; elsewhere (a cluster's log
// file) a line every few seconds or every tenth of the work, so that a
// shard of ten thousand cards writes a few dozen lines, not ten thousand.
// Either way it ends with a summary: the cards written, the cards that
// failed by name, the time taken.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The bar for done of total cards, width marks wide.
std::string ProgressText(int done, int total, int width = 30);

class ProgressBar {
public:
    // now: seconds on a steady clock (the system's by default).
    ProgressBar(std::FILE* out, int total, bool inPlace, std::function<double()> now = {});
    // One more card written.
    void Written();
    // A card that failed: its message on a line of its own; the card is not
    // counted as done.
    void Failed(const std::string& name, const std::string& message);
    // A line of its own; on a terminal the bar is drawn again below it.
    void Message(const std::string& line);
    // The bar's line ended and the summary written.
    void Finish();

private:
    void Draw();
    // Off a terminal: whether enough time or work has passed for a line.
    bool Due() const;

    std::FILE* m_out;
    int m_total;
    int m_written = 0;
    std::vector<std::string> m_failed;
    bool m_inPlace;
    std::function<double()> m_now;
    double m_start;
    double m_lastLine;
    int m_lastTenth = 0;
};
