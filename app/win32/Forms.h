#pragma once
// The dialogs of the Win32 view: FormPassword, FormSettings (Properties), FormCompare
// and FormProgress.
#include "app/logic/CompareDialog.h"
#include "app/logic/MainView.h"
#include "app/logic/NetworkPortDialog.h"
#include "app/logic/PasswordDialog.h"
#include "app/logic/PropertiesDialog.h"
#include "app/win32/ModalDialog.h"

#include <optional>
#include <string>
#include <vector>

namespace kovrin::win32 {

// A push button with a small picture beside its caption; the icon lives in `icons`.
HWND ImageButton(HWND parent, std::string_view caption, std::string_view picture, Box box, int id, bool isDefault,
                 Dpi dpi, HFONT font, std::vector<UniqueIcon>& icons);

class TFormPassword : public ModalDialog {
public:
    explicit TFormPassword(const PasswordDialogTexts& texts);
    // The entry on OK, nullopt on Cancel or the close box.
    std::optional<std::string> run(HWND owner);

private:
    bool onInit(HWND dialog, Dpi dpi, HFONT font) override;
    bool onCommand(HWND dialog, int id, int code) override;

    PasswordDialogTexts texts_;
    std::string entry_;
    std::vector<UniqueIcon> icons_;
};

// The network port name: an editable list of the last ones used.
class TFormNetworkPort : public ModalDialog {
public:
    explicit TFormNetworkPort(const NetworkPortDialogTexts& texts);
    // The entry on OK, nullopt on Cancel or the close box.
    std::optional<std::string> run(HWND owner);

private:
    bool onInit(HWND dialog, Dpi dpi, HFONT font) override;
    bool onCommand(HWND dialog, int id, int code) override;

    NetworkPortDialogTexts texts_;
    std::string entry_;
    std::vector<UniqueIcon> icons_;
};

class TFormSettings : public ModalDialog {
public:
    explicit TFormSettings(const PropertiesContent& content);

private:
    bool onInit(HWND dialog, Dpi dpi, HFONT font) override;

    PropertiesContent content_;
    std::vector<UniqueIcon> icons_;
};

// "Compare with ATS": the parameters that differ in a read-only report list, or the
// note alone when nothing differs; OK, Enter and Esc close it.
class TFormCompare : public ModalDialog {
public:
    explicit TFormCompare(const CompareContent& content);

    // The words of the rows ticked when "Upload selected" closed the dialog (which then
    // returns kCompareUploadId).
    const std::vector<int>& tickedWords() const { return ticked_; }

private:
    bool onInit(HWND dialog, Dpi dpi, HFONT font) override;
    bool onCommand(HWND dialog, int id, int code) override;

    CompareContent content_;
    std::vector<int> ticked_;
    std::vector<UniqueIcon> icons_;
};

// The progress dialog: no border icons, owned by the main window so it stays above it,
// shown without being modal and repainted only when the command says so. While shown,
// the owner takes no input, and input that arrives meanwhile is dropped.
class TFormProgress : public ProgressView {
public:
    TFormProgress(HWND owner, const std::string& text, bool cancelButton);
    ~TFormProgress() override;

    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    void setBarVisible(bool visible) override;
    void setLabel(const std::string& text) override;
    void show() override;
    void repaint() override;

    HWND window() const { return window_.get(); }
    bool Cancelled() const { return cancelled_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UniqueFont font_;
    std::vector<UniqueIcon> icons_;
    UniqueWindow window_;
    HWND blocked_ = nullptr;  // the owner, disabled while the dialog is shown
    HWND owner_ = nullptr;    // shows the busy cursor while the dialog exists
    HWND label_ = nullptr;
    HWND bar_ = nullptr;
    struct AccessibleText* barName_ = nullptr;  // the bar's name for screen readers, owned by it
    bool cancelled_ = false;
};

} // namespace kovrin::win32
