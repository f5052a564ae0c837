#include "app/PasswordRequest.h"

#include "app/ClientDlg.h"
#include "common/StringFunctions.h"
#include "platform/CodePage.h"
#include "screen/PromptWindow.h"

CPasswordRequest::CPasswordRequest(CClientDlg* owner, uint32_t expectedCrc)
    : m_model(&OnChange, this, kMaxLength), m_owner(owner), m_expectedCrc(expectedCrc)
{
}

bool CPasswordRequest::OnInitDialog()
{
    m_model.SetOkEnabled(false);
    return false;
}

uint32_t CPasswordRequest::PasswordCrc(const std::u16string& text)
{
    size_t length = text.size() < kMaxReadBack ? text.size() : kMaxReadBack;
    std::string ansi = platform::Utf16ToAnsi(text.data(), length);
    return Crc32(ansi.data(), ansi.size());
}

bool CPasswordRequest::OnPasswordChange(const std::u16string& text)
{
    bool accepted = !text.empty() && PasswordCrc(text) == m_expectedCrc;
    if (m_owner)
        m_owner->SetPasswordAccepted(accepted);
    m_model.SetOkEnabled(accepted);
    return accepted;
}

bool CPasswordRequest::OnChange(void* context, const std::u16string& text)
{
    return static_cast<CPasswordRequest*>(context)->OnPasswordChange(text);
}

int CPasswordRequest::DoModal()
{
    OnInitDialog();
    platform::PromptModel::Result result = platform::RunModalPrompt(kCaption, kLabel, true, m_model);
    return result == platform::PromptModel::Result::Ok ? kResultOk : kResultCancel;
}
