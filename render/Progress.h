// The batch's progress on standard error: "[#######.......] 37/100", redrawn
// in place on a terminal, one line per finished card otherwise (a log file
// then reads as a history rather than a mess of carriage returns).
#pragma once

#include <cstdio>
#include <string>

// The bar for done of total cards, width marks wide.
std::string ProgressText(int done, int total, int width = 30);

class ProgressBar {
public:
    ProgressBar(std::FILE* out, int total, bool inPlace);
    // One more card finished.
    void Advance();
    // A line of its own; on a terminal the bar is drawn again below it.
    void Message(const std::string& line);
    // The bar's line ended.
    void Finish();

private:
    void Draw();

    std::FILE* m_out;
    int m_total;
    int m_done = 0;
    bool m_inPlace;
};
