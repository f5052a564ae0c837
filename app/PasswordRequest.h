#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "screen/PromptModel.h"

class CClientDlg;

// "Password request": a masked edit line with OK and Cancel. OK is enabled exactly while the
// CRC-32 of the text's Windows-1252 bytes equals the CRC stored in the interface file; each
// change of the text writes the answer into the owner's password-accepted flag, which alone
// decides (not how the prompt was closed).
class CPasswordRequest
{
public:
    static constexpr const char* kCaption = "Password request";
    static constexpr const char* kLabel = "Password request";
    // The text is read back at most this long (in UTF-16 units) for the check.
    static constexpr size_t kMaxReadBack = 259;
    // What the edit line accepts.
    static constexpr size_t kMaxLength = 1024;

    // Result codes of DoModal.
    static constexpr int kResultOk = 1;
    static constexpr int kResultCancel = 2;

    CPasswordRequest(CClientDlg* owner, uint32_t expectedCrc);

    // Disables OK. Returns false (the focus stays where it was set).
    bool OnInitDialog();
    // Checks the text and sets the owner's flag and OK; returns whether OK is enabled.
    bool OnPasswordChange(const std::u16string& text);
    // Shows the prompt and runs it until it closes; kResultOk or kResultCancel.
    int DoModal();

    // The prompt's state: tests feed it key and text events directly.
    platform::PromptModel& GetModel() { return m_model; }

    // CRC-32 of the Windows-1252 bytes of at most kMaxReadBack units of the text.
    static uint32_t PasswordCrc(const std::u16string& text);

private:
    static bool OnChange(void* context, const std::u16string& text);

    platform::PromptModel m_model;
    CClientDlg* m_owner;
    uint32_t m_expectedCrc;
};
