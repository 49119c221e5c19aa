#pragma once
// A scripted screen: every prompt must have been announced with expect...(), in
// order; anything unannounced fails the test. Progress dialogs and state changes
// are recorded for inspection.
#include "app/logic/MainView.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <stdexcept>
#include <optional>
#include <string>
#include <vector>

namespace kovrin::test {

class FakeView final : public MainView {
public:
    enum class Kind { Message, OpenDialog, SaveDialog, Password, Properties };

    struct Step {
        Kind kind = Kind::Message;
        std::string text;  // message text; ignored for dialogs
        MessageResult answer = MessageResult::Ok;
        bool cancel = false;  // dialogs: Cancel instead of `reply`
        std::string reply;    // dialogs: the chosen name / entry
    };

    ~FakeView() override
    {
        for (const Step& s : script_)
            ADD_FAILURE() << "expected prompt never came: " << Name(s.kind) << " " << s.text;
    }

    // An OK box (errors); the title and icon are checked by the caller via messages().
    void expectMessage(std::string text) { script_.push_back(step(Kind::Message, std::move(text))); }
    void expectQuestion(std::string text, bool yes)
    {
        script_.push_back(step(Kind::Message, std::move(text), yes ? MessageResult::Yes : MessageResult::No));
    }
    void expectOpenDialog(std::optional<std::string> reply) { script_.push_back(dialogStep(Kind::OpenDialog, reply)); }
    void expectSaveDialog(std::optional<std::string> reply) { script_.push_back(dialogStep(Kind::SaveDialog, reply)); }
    void expectPassword(std::optional<std::string> entry) { script_.push_back(dialogStep(Kind::Password, entry)); }
    void expectProperties() { script_.push_back(step(Kind::Properties, "")); }
    bool scriptDone() const { return script_.empty(); }

    // MainView
    MessageResult showMessage(const MessageBoxSpec& box) override
    {
        messages.push_back(box);
        events.push_back("message " + box.text);
        const Step* s = next(Kind::Message, box.text);
        if (!s)
            return box.buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Ok;
        EXPECT_EQ(s->text, box.text);
        return s->answer;
    }
    std::optional<std::string> runOpenDialog(const FileDialogSpec& d) override { return dialog(Kind::OpenDialog, d); }
    std::optional<std::string> runSaveDialog(const FileDialogSpec& d) override { return dialog(Kind::SaveDialog, d); }
    std::optional<std::string> runPasswordDialog(const PasswordDialogTexts&) override
    {
        return reply(next(Kind::Password, ""));
    }
    // The network port dialog answers from this list, front first; then Cancel.
    std::vector<std::optional<std::string>> networkPortReplies;
    NetworkPortDialogTexts networkPortTexts;
    std::optional<std::string> runNetworkPortDialog(const NetworkPortDialogTexts& texts) override
    {
        networkPortTexts = texts;
        if (networkPortReplies.empty())
            return std::nullopt;
        std::optional<std::string> answer = networkPortReplies.front();
        networkPortReplies.erase(networkPortReplies.begin());
        return answer;
    }
    void runPropertiesDialog(const PropertiesContent& content) override
    {
        properties = content;
        next(Kind::Properties, "");
    }
    std::unique_ptr<ProgressView> createProgress(const std::string& text, bool cancelButton) override
    {
        EXPECT_FALSE(cancelButton);
        if (failProgress)
            throw std::runtime_error("no progress dialog");
        events.push_back("create " + text);
        return std::make_unique<Progress>(events);
    }
    void showException(const std::string& message) override { exceptions.push_back(message); }
    void focusControl(std::string_view name) override { focus.emplace_back(name); }
    void closeWindow() override { ++closeRequests; }
    void stateChanged(const MainWindowState&) override { ++stateChanges; }

    // Recorded.
    std::vector<MessageBoxSpec> messages;
    std::vector<FileDialogSpec> dialogs;
    // Progress dialogs and message boxes in order: "create <text>", "range 0 10",
    // "pos 3", "bar off", "label <t>", "show", "repaint", "close", "message <text>".
    std::vector<std::string> events;
    std::optional<PropertiesContent> properties;
    std::vector<std::string> exceptions;
    std::vector<std::string> focus;
    int closeRequests = 0;
    int stateChanges = 0;
    bool failProgress = false;

    int count(const std::string& entry) const
    {
        int n = 0;
        for (const std::string& e : events)
            n += e == entry;
        return n;
    }

private:
    class Progress final : public ProgressView {
    public:
        explicit Progress(std::vector<std::string>& log) : log_(log) {}
        ~Progress() override { log_.push_back("close"); }
        void setRange(int lo, int hi) override { log_.push_back("range " + std::to_string(lo) + " " + std::to_string(hi)); }
        void setPosition(int p) override { log_.push_back("pos " + std::to_string(p)); }
        void setBarVisible(bool v) override { log_.push_back(v ? "bar on" : "bar off"); }
        void setLabel(const std::string& t) override { log_.push_back("label " + t); }
        void show() override { log_.push_back("show"); }
        void repaint() override { log_.push_back("repaint"); }

    private:
        std::vector<std::string>& log_;
    };

    static Step step(Kind kind, std::string text, MessageResult answer = MessageResult::Ok)
    {
        Step s;
        s.kind = kind;
        s.text = std::move(text);
        s.answer = answer;
        return s;
    }
    static Step dialogStep(Kind kind, const std::optional<std::string>& reply)
    {
        Step s = step(kind, "");
        s.cancel = !reply;
        s.reply = reply.value_or("");
        return s;
    }
    static std::optional<std::string> reply(const Step* s)
    {
        if (!s || s->cancel)
            return std::nullopt;
        return s->reply;
    }

    static const char* Name(Kind k)
    {
        switch (k) {
        case Kind::Message: return "message";
        case Kind::OpenDialog: return "open dialog";
        case Kind::SaveDialog: return "save dialog";
        case Kind::Password: return "password dialog";
        case Kind::Properties: return "properties dialog";
        }
        return "?";
    }

    const Step* next(Kind kind, const std::string& what)
    {
        if (script_.empty() || script_.front().kind != kind) {
            ADD_FAILURE() << "unexpected " << Name(kind) << " " << what
                          << (script_.empty() ? "" : std::string(" (expected ") + Name(script_.front().kind) + " " + script_.front().text + ")");
            return nullptr;
        }
        last_ = script_.front();
        script_.pop_front();
        return &last_;
    }

    std::optional<std::string> dialog(Kind kind, const FileDialogSpec& d)
    {
        dialogs.push_back(d);
        return reply(next(kind, d.title));
    }

    std::deque<Step> script_;
    Step last_;
};

} // namespace kovrin::test
