#pragma once
// The gang's live progress: one line per port, redrawn in place on a terminal, with the
// run's notes (archive and record failures) kept below them on every redraw; on a file or
// pipe a plain line each time a port moves to another step, and each note once.
#include "comm/gang/Runner.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kovrin::cli {

// "COM1      ATS-0001          writing    3/7 words    12.4 s"
std::string GangStatusLine(const gang::UnitStatus& s, Clock::TimePoint now);

class GangScreen {
public:
    GangScreen(std::FILE* out, bool redraw) : out_(out), redraw_(redraw) {}
    void Draw(const std::vector<gang::UnitStatus>& units, const std::vector<std::string>& notes,
              Clock::TimePoint now);

private:
    std::FILE* out_;
    bool redraw_;
    std::size_t drawnLines_ = 0;
    std::size_t notesShown_ = 0;
    std::vector<gang::Step> shownSteps_;
};

} // namespace kovrin::cli
