// Pages: their record, the list of popups shown on them, and updating, drawing and hit testing
// the page with those popups.
#include "interface/DialogPage.h"

#include <algorithm>

#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItemState.h"

namespace
{
constexpr uint32_t kLoadingFill = 0x000000FF;

// The popup object of a shown-list number, null when the registry has none.
CDialogPopup* ShownPopup(int32_t number)
{
    return g_pDialogSystem ? g_pDialogSystem->GetPopupObject(number) : nullptr;
}
} // namespace

CDialogPage::CDialogPage(CDialogItem* parent) : CDialogPage(parent, "Loading")
{
    CDialogItemState* state = new CDialogItemState(this);
    state->m_fillColor = kLoadingFill;
    state->m_opacity = 255;
    AddState(state);
    ResetLayout();
}

CDialogPage::CDialogPage(CDialogItem* parent, const char* name)
    : CDialogPopup(parent, name, 0), m_shownPopups(new int32_t[kMaxShownPopups])
{
}

CDialogPage::~CDialogPage()
{
    delete[] m_shownPopups;
}

bool CDialogPage::Load(CInStream* stream)
{
    if (m_parent)
        m_loadedRect = m_parent->m_loadedRect;
    ResetLayout();
    if (!LoadCommandKeys(stream) || !LoadItemState(stream))
        return false;
    m_loadedOpacity = GetStateAt(GetStateCount() - 1)->m_opacity;
    ResetLayout();
    return LoadChildren(stream);
}

// ---- Shown popups -----------------------------------------------------------------------------

int32_t CDialogPage::IndexOfShown(int32_t popupNumber) const
{
    for (int32_t i = 0; i < m_shownCount; i++)
    {
        if (m_shownPopups[i] == popupNumber)
            return i;
    }
    return -1;
}

bool CDialogPage::AddPopup(int32_t popupNumber)
{
    int32_t index = IndexOfShown(popupNumber);
    if (index < 0)
    {
        if (m_shownCount == kMaxShownPopups)
            return false;
        m_shownPopups[m_shownCount++] = popupNumber;
        return true;
    }
    for (int32_t i = index; i + 1 < m_shownCount; i++)
        m_shownPopups[i] = m_shownPopups[i + 1];
    m_shownPopups[m_shownCount - 1] = popupNumber;
    return true;
}

void CDialogPage::RemovePopup(int32_t popupNumber)
{
    int32_t index = IndexOfShown(popupNumber);
    if (index < 0)
        return;
    for (int32_t i = index; i + 1 < m_shownCount; i++)
        m_shownPopups[i] = m_shownPopups[i + 1];
    m_shownCount--;
}

bool CDialogPage::HasPopup(int32_t popupNumber) const
{
    return IndexOfShown(popupNumber) >= 0;
}

int32_t CDialogPage::GetShownAt(int32_t index) const
{
    return index >= 0 && index < m_shownCount ? m_shownPopups[index] : 0;
}

// ---- Running ----------------------------------------------------------------------------------

void CDialogPage::Update(uint32_t elapsedMs)
{
    CDialogPopup::Update(elapsedMs);
    // An auto-hide may take popups off the list while it is walked (a grouped popup takes its whole
    // group), and the entries above move down. Walking the live list would then pass over the next
    // popup for this tick, which also leaves its dynamic images marked unused and stops their
    // fetchers; so the list as it was when the update began is walked, skipping popups hidden since.
    int32_t shown[kMaxShownPopups];
    int32_t count = m_shownCount;
    std::copy(m_shownPopups, m_shownPopups + count, shown);
    for (int32_t i = 0; i < count; i++)
    {
        CDialogPopup* popup = HasPopup(shown[i]) ? ShownPopup(shown[i]) : nullptr;
        if (popup)
            popup->Update(elapsedMs);
    }
}

void CDialogPage::Draw(const DialogRect& clip)
{
    if (!IsVisible())
        return;
    DrawSelfAndChildren(clip);
    for (int32_t i = 0; i < m_shownCount; i++)
    {
        CDialogPopup* popup = ShownPopup(m_shownPopups[i]);
        if (popup)
            popup->Draw(clip);
    }
}

CDialogItem* CDialogPage::HitTest(int32_t x, int32_t y)
{
    for (int32_t i = m_shownCount - 1; i >= 0; i--)
    {
        CDialogPopup* popup = ShownPopup(m_shownPopups[i]);
        CDialogItem* hit = popup ? popup->HitTest(x, y) : nullptr;
        if (hit)
            return hit;
    }
    return CDialogPopup::HitTest(x, y);
}
