#include "app/logic/ScriptedView.h"

#include "app/logic/ScriptedRun.h"
#include "app/logic/WindowTexts.h"

#include <cstdio>

namespace kovrin {

namespace {

void Print(const std::string& title, const std::string& text)
{
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
}

} // namespace

std::optional<MessageResult> ScriptedAnswer(const MessageBoxSpec& box)
{
    if (!AutoDismiss())
        return std::nullopt;
    Print(box.title, box.text);
    return box.buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
}

MessageResult ScriptedView::showMessage(const MessageBoxSpec& box)
{
    if (const std::optional<MessageResult> answer = ScriptedAnswer(box))
        return *answer;
    return view_.showMessage(box);
}

std::optional<std::string> ScriptedView::runOpenDialog(const FileDialogSpec& dialog)
{
    if (!AutoDismiss())
        return view_.runOpenDialog(dialog);
    Print(dialog.title, "cancelled");
    return std::nullopt;
}

std::optional<std::string> ScriptedView::runSaveDialog(const FileDialogSpec& dialog)
{
    if (!AutoDismiss())
        return view_.runSaveDialog(dialog);
    Print(dialog.title, "cancelled");
    return std::nullopt;
}

std::optional<std::string> ScriptedView::runPasswordDialog(const PasswordDialogTexts& texts)
{
    if (!AutoDismiss())
        return view_.runPasswordDialog(texts);
    Print(std::string(texts.caption), "cancelled");
    return std::nullopt;
}

std::optional<std::string> ScriptedView::runNetworkPortDialog(const NetworkPortDialogTexts& texts)
{
    if (!AutoDismiss())
        return view_.runNetworkPortDialog(texts);
    Print(std::string(texts.caption), "cancelled");
    return std::nullopt;
}

void ScriptedView::runPropertiesDialog(const PropertiesContent& content)
{
    if (!AutoDismiss())
        return view_.runPropertiesDialog(content);
    Print(std::string(content.texts.caption), "closed");
}

void ScriptedView::showComparison(const CompareContent& content)
{
    if (!AutoDismiss())
        return view_.showComparison(content);
    // A scripted run reads the comparison where it reads the message boxes.
    Print(content.caption, CompareText(content));
}

CompareChoice ScriptedView::runComparison(const CompareContent& content)
{
    if (!AutoDismiss())
        return view_.runComparison(content);
    // Printed, and closed: a scripted run uploads nothing from it.
    Print(content.caption, CompareText(content));
    return {};
}

void ScriptedView::showException(const std::string& message)
{
    // Exceptions carry no title of their own: the box is the program's.
    if (!ScriptedAnswer({std::string(text::kProductName), message, MessageIcon::Error, MessageButtons::Ok}))
        view_.showException(message);
}

} // namespace kovrin
