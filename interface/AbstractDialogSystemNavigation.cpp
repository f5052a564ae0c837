// Navigation: which page is current (the page history) and which popups are shown on which page,
// by name and by group, and the dynamic-image requests of the panel link.
#include <cstring>
#include <memory>

#include "common/Vector.h"
#include "devices/HTTPDynamicImage.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogPage.h"
#include "interface/DialogPopup.h"
#include "render/DynamicSprite.h"

namespace
{
void NotifyChildren(CDialogPage* page, bool shown)
{
    if (!page)
        return;
    for (int32_t i = 0; i < page->GetChildCount(); i++)
    {
        CDialogItem* child = page->GetChild(i);
        if (shown)
            child->OnPageShow();
        else
            child->OnPageHide();
    }
}

// A dynamic image that an "add" request creates: it carries the requested name, so that a later
// request with the same name finds it instead of adding another.
class CNamedDynamicSprite : public CDynamicSprite
{
public:
    explicit CNamedDynamicSprite(const char* name) : CDynamicSprite(std::make_unique<CHTTPDynamicImage>())
    {
        SetName(name);
    }
};

CSprite* FindDynamicImage(const CVector* images, const char* name)
{
    if (!name || !*name)
        return nullptr;
    for (int32_t i = 0; i < images->GetCount(); i++)
    {
        CSprite* image = images->Get<CSprite>(i);
        if (image && image->GetKind() == CSprite::KindDynamic && image->GetName() &&
            std::strcmp(image->GetName(), name) == 0)
            return image;
    }
    return nullptr;
}
} // namespace

CDialogPage* CAbstractDialogSystem::GetPageObject(int32_t number) const
{
    CDialogItem* item = GetPage(number);
    return item && item->GetKind() == ItemKindPage ? static_cast<CDialogPage*>(item) : nullptr;
}

CDialogPopup* CAbstractDialogSystem::GetPopupObject(int32_t number) const
{
    CDialogItem* item = GetPopup(number);
    return item && item->GetKind() == ItemKindPopup ? static_cast<CDialogPopup*>(item) : nullptr;
}

void CAbstractDialogSystem::FocusCurrentPage()
{
    // Edit boxes take the focus from here once the interface has them; a page without one leaves
    // the focus where it is.
}

// ---- Pages --------------------------------------------------------------------------------------

void CAbstractDialogSystem::ShowPage(const char* name)
{
    int32_t number = FindPageByName(name);
    if (number != 0)
    {
        CDialogPage* old = GetPageObject(GetCurrentPageNumber());
        m_historyIndex++;
        if (m_historyIndex < 0)
            m_historyIndex = 0;
        if (static_cast<int32_t>(m_pageHistory.size()) <= m_historyIndex)
            m_pageHistory.resize(static_cast<size_t>(m_historyIndex) + 1, 0);
        m_pageHistory[static_cast<size_t>(m_historyIndex)] = number;
        NotifyChildren(old, false);
        CDialogPage* page = GetPageObject(number);
        if (page)
        {
            page->Invalidate();
            NotifyChildren(page, true);
        }
    }
    InvalidateAll();
    FocusCurrentPage();
}

void CAbstractDialogSystem::GoBack()
{
    if (m_historyIndex > 0 && m_historyIndex < static_cast<int32_t>(m_pageHistory.size()))
    {
        CDialogPage* old = GetPageObject(GetCurrentPageNumber());
        m_historyIndex--;
        CDialogPage* page = GetPageObject(m_pageHistory[static_cast<size_t>(m_historyIndex)]);
        NotifyChildren(old, false);
        NotifyChildren(page, true);
        InvalidateAll();
    }
    FocusCurrentPage();
}

// ---- Popups by name -----------------------------------------------------------------------------

template <class Change>
void CAbstractDialogSystem::ChangePopupOnPage(const char* popupName, const char* pageName, Change change)
{
    int32_t number = FindPopupByName(popupName);
    if (number == 0)
        return;
    int32_t pageNumber = pageName && *pageName ? FindPageByName(pageName) : GetCurrentPageNumber();
    if (pageNumber != 0)
    {
        CDialogPage* page = GetPageObject(pageNumber);
        CDialogPopup* popup = GetPopupObject(number);
        if (page && popup)
            change(pageNumber, page, number, popup);
        InvalidateAll();
    }
    FocusCurrentPage();
}

void CAbstractDialogSystem::ShowPopup(const char* popupName, const char* pageName)
{
    ChangePopupOnPage(popupName, pageName,
                      [this](int32_t pageNumber, CDialogPage* page, int32_t number, CDialogPopup* popup)
                      {
                          if (page->HasPopup(number))
                          {
                              popup->RestartShowEffects(pageNumber);
                              RaisePopupOnPage(pageNumber, number);
                          }
                          else
                          {
                              HideGroupOnPage(pageNumber, popup->GetGroup());
                              popup->ShowOnPage(pageNumber);
                          }
                      });
}

void CAbstractDialogSystem::HidePopup(const char* popupName, const char* pageName)
{
    ChangePopupOnPage(popupName, pageName,
                      [this](int32_t pageNumber, CDialogPage*, int32_t, CDialogPopup* popup)
                      {
                          // Hiding one member of a group hides whichever members are shown.
                          if (popup->GetGroup() != 0)
                              HideGroupOnPage(pageNumber, popup->GetGroup());
                          else
                              popup->HideOnPage(pageNumber);
                      });
}

void CAbstractDialogSystem::TogglePopup(const char* popupName, const char* pageName)
{
    ChangePopupOnPage(popupName, pageName,
                      [this](int32_t pageNumber, CDialogPage* page, int32_t number, CDialogPopup* popup)
                      {
                          bool shown = page->HasPopup(number);
                          HideGroupOnPage(pageNumber, popup->GetGroup());
                          if (shown)
                              popup->HideOnPage(pageNumber);
                          else
                              popup->ShowOnPage(pageNumber);
                      });
}

void CAbstractDialogSystem::HidePopupOnAllPages(const char* popupName)
{
    int32_t number = FindPopupByName(popupName);
    CDialogPopup* popup = GetPopupObject(number);
    if (!popup)
        return;
    for (int32_t i = 1; i <= m_pages->GetCount(); i++)
    {
        HideGroupOnPage(i, popup->GetGroup());
        popup->HideOnPage(i);
    }
    InvalidateAll();
    FocusCurrentPage();
}

void CAbstractDialogSystem::HideAllPopupsOnPage(const char* pageName)
{
    int32_t pageNumber = pageName && *pageName ? FindPageByName(pageName) : GetCurrentPageNumber();
    if (pageNumber == 0)
        return;
    CDialogPage* page = GetPageObject(pageNumber);
    if (page)
    {
        // From the top down; a hide without an effect shortens the list under the walk.
        for (int32_t i = page->GetShownCount() - 1; i >= 0; i--)
        {
            CDialogPopup* popup = GetPopupObject(page->GetShownAt(i));
            if (popup)
                popup->HideOnPage(pageNumber);
        }
        InvalidateAll();
    }
    FocusCurrentPage();
}

void CAbstractDialogSystem::HideAllPopups()
{
    for (int32_t pageNumber = 1; pageNumber <= m_pages->GetCount(); pageNumber++)
    {
        CDialogPage* page = GetPageObject(pageNumber);
        if (!page)
            continue;
        for (int32_t i = page->GetShownCount() - 1; i >= 0; i--)
        {
            CDialogPopup* popup = GetPopupObject(page->GetShownAt(i));
            if (popup)
                popup->HideOnPage(pageNumber);
        }
        InvalidateAll();
    }
}

void CAbstractDialogSystem::HidePopupGroup(const char* groupName)
{
    HideGroupOnPage(GetCurrentPageNumber(), FindPopupGroup(groupName));
    InvalidateAll();
}

// ---- Popups by number ---------------------------------------------------------------------------

void CAbstractDialogSystem::HideGroupOnPage(int32_t pageNumber, int32_t groupNumber)
{
    if (pageNumber == 0 || groupNumber == 0)
        return;
    CDialogPage* page = GetPageObject(pageNumber);
    if (!page)
        return;
    for (int32_t i = page->GetShownCount() - 1; i >= 0; i--)
    {
        CDialogPopup* popup = GetPopupObject(page->GetShownAt(i));
        if (popup && popup->GetGroup() == groupNumber)
            popup->HideOnPage(pageNumber);
    }
}

void CAbstractDialogSystem::RaisePopupOnPage(int32_t pageNumber, int32_t popupNumber)
{
    CDialogPage* page = popupNumber != 0 ? GetPageObject(pageNumber) : nullptr;
    if (page)
        page->AddPopup(popupNumber);
}

void CAbstractDialogSystem::RemovePopupFromPage(int32_t pageNumber, int32_t popupNumber)
{
    CDialogPage* page = popupNumber != 0 ? GetPageObject(pageNumber) : nullptr;
    if (page)
        page->RemovePopup(popupNumber);
}

// ---- Dynamic images -----------------------------------------------------------------------------

void CAbstractDialogSystem::AddDynamicImage(const char* name, const CDynamicSpriteData* data)
{
    // A name that exists names the image to change: repeated requests for one camera must not
    // grow the registry without bound. An empty name is found by no lookup, so it would add an
    // image and a fetcher at every request: it is ignored.
    if (!name || !*name)
        return;
    CSprite* image = FindDynamicImage(m_images, name);
    if (!image)
    {
        image = new CNamedDynamicSprite(name);
        int32_t count = m_images->Add(image);
        image->SetId(static_cast<uint32_t>(count));
    }
    image->ApplyChanges(data);
}

void CAbstractDialogSystem::ChangeDynamicImage(const char* name, const CDynamicSpriteData* data)
{
    CSprite* image = FindDynamicImage(m_images, name);
    if (image)
        image->ApplyChanges(data);
}

void CAbstractDialogSystem::RefreshDynamicImage(const char* name, uint32_t periodMs)
{
    CSprite* image = FindDynamicImage(m_images, name);
    if (image)
        image->SetRefreshPeriod(periodMs);
}

void CAbstractDialogSystem::RefreshAllDynamicImages()
{
    for (int32_t i = 0; i < m_images->GetCount(); i++)
    {
        CSprite* image = m_images->Get<CSprite>(i);
        if (image && image->GetKind() == CSprite::KindDynamic)
            image->SetRefreshPeriod(1);
    }
}
