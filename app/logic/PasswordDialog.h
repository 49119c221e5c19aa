#pragma once
// The service password dialog's texts and its one decision, free of any toolkit.
#include <string>
#include <string_view>

namespace kovrin {

struct PasswordDialogTexts {
    std::string_view caption = "Password";
    std::string_view labelPassword = "Insert password for service level";  // LabelPassword
    std::string_view btnOk = "Ok";                                          // BtnOk, default button
    std::string_view btnCancel = "Cancel";                                  // BtnCancel
    char echoCharacter = '*';                                               // EditPassword
};

// The entry grants the Service level only when it equals the password exactly:
// same length, same characters, same case.
bool IsServicePassword(const std::string& entry);

} // namespace kovrin
