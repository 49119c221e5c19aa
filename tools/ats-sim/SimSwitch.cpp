#include "tools/ats-sim/SimSwitch.h"

#include <cstdio>

namespace kovrin::sim {

namespace {

std::string Describe(const Request& r)
{
    std::string text(InfoOf(r.command).letters);
    char buf[48];
    if (r.command == Command::GM) {
        std::snprintf(buf, sizeof buf, " word %d", r.word);
        text += buf;
    } else if (r.command == Command::SM) {
        std::snprintf(buf, sizeof buf, " word %d = %u", r.word, static_cast<unsigned>(r.value));
        text += buf;
    }
    return text;
}

} // namespace

Frame SimSwitch::correctAnswer(const Request& r) const
{
    switch (r.command) {
    case Command::GI:
        return BuildAnswerGI(state_.identification);
    case Command::GN:
        return BuildAnswerGN(state_.nominal);
    case Command::GM:
        return BuildAnswerGM(state_.words[r.word & 0xFF]);
    case Command::SM:
        return BuildAnswerSM();
    }
    return {};
}

Reply SimSwitch::handle(const Frame& frame)
{
    Reply reply;
    std::string why;
    const std::optional<Request> request = DecodeRequest(frame, why);
    if (!request) {
        reply.note = "ignored a frame of " + std::to_string(frame.size()) + " bytes: " + why;
        return reply;
    }
    const int number = ++requests_;
    const Decision d = Decide(plan_, number, *request);
    reply.reaction = d.reaction;
    reply.note = "#" + std::to_string(number) + " " + Describe(*request) + " -> ";

    if (request->command == Command::SM && d.storeWrite)
        state_.words[request->word & 0xFF] = request->value;

    switch (d.reaction) {
    case Reaction::HangUp:
        reply.note += "hangs up";
        break;
    case Reaction::Silence:
        reply.note += "no answer";
        break;
    case Reaction::Answer:
        reply.bytes = ShapeAnswer(d, request->command, correctAnswer(*request));
        reply.note += std::to_string(reply.bytes.size()) + " bytes";
        if (request->command == Command::GM && !d.shortAnswer)
            reply.note += " (" + std::to_string(state_.words[request->word & 0xFF]) + ")";
        break;
    }
    if (!d.why.empty())
        reply.note += " [" + d.why + "]";
    return reply;
}

} // namespace kovrin::sim
