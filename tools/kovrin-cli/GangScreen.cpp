#include "GangScreen.h"

#include "config/Windows1252.h"

namespace kovrin::cli {

std::string GangStatusLine(const gang::UnitStatus& s, Clock::TimePoint now)
{
    char words[32] = "";
    if (s.step == gang::Step::Writing || s.toWrite > 0)
        std::snprintf(words, sizeof words, "%d/%d words", s.written, s.toWrite);
    char elapsed[32] = "";
    if (s.begun)
        std::snprintf(elapsed, sizeof elapsed, "%6.1f s",
                      std::chrono::duration<double>((s.outcome == gang::Step::Waiting ? now : s.finish) - s.start).count());
    // In station mode a unit that has ended stays on screen with its outcome until removed.
    std::string step = gang::StepName(s.step);
    if (s.step == gang::Step::Unplug && s.outcome != gang::Step::Waiting)
        step = std::string(gang::StepName(s.outcome)) + ", unplug";
    char line[160];
    std::snprintf(line, sizeof line, "%-12s %-16s %-14s %-12s %s", s.port.c_str(),
                  s.code.empty() ? "-" : Windows1252ToUtf8(s.code).c_str(), step.c_str(), words, elapsed);
    std::string text = line;
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

void GangScreen::Draw(const std::vector<gang::UnitStatus>& units, const std::vector<std::string>& notes,
                      Clock::TimePoint now)
{
    if (!redraw_) {
        shownSteps_.resize(units.size(), gang::Step::Waiting);
        for (std::size_t i = 0; i < units.size(); ++i) {
            // The waiting state every port starts in says nothing.
            if (units[i].step == shownSteps_[i])
                continue;
            shownSteps_[i] = units[i].step;
            std::fprintf(out_, "%s\n", GangStatusLine(units[i], now).c_str());
        }
        for (; notesShown_ < notes.size(); ++notesShown_)
            std::fprintf(out_, "%s\n", notes[notesShown_].c_str());
        std::fflush(out_);
        return;
    }
    std::string frame;
    if (drawnLines_ > 0)
        frame += "\x1b[" + std::to_string(drawnLines_) + "A";
    for (const gang::UnitStatus& s : units)
        frame += "\r\x1b[K" + GangStatusLine(s, now) + "\n";
    // The notes are part of every frame, so no redraw ever covers one.
    for (const std::string& note : notes)
        frame += "\r\x1b[K" + note + "\n";
    drawnLines_ = units.size() + notes.size();
    std::fputs(frame.c_str(), out_);
    std::fflush(out_);
}

} // namespace kovrin::cli
