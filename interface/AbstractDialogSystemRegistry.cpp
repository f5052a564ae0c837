// The registries of the running interface: registration by the loaders and the lookups by id,
// name and number.
#include <FreeImage.h>

#include <cstring>

#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItem.h"
#include "render/Fnt.h"
#include "render/Sprite.h"
#include "render/Template.h"

namespace
{
bool SameName(const char* a, const char* b)
{
    return a && b && std::strcmp(a, b) == 0;
}

uint8_t FontSize(int32_t size)
{
    return static_cast<uint8_t>(size < 0 ? 0 : (size > 255 ? 255 : size));
}
} // namespace

bool CAbstractDialogSystem::AddFontFromFile(const char* fileName, uint32_t id, int32_t size)
{
    if (!fileName || !*fileName)
        return false;
    m_fonts->Add(new CFnt(fileName, id, FontSize(size)));
    return true;
}

bool CAbstractDialogSystem::AddFontFromMemory(const char* name, const uint8_t* bytes, int32_t length,
                                              uint32_t id, int32_t size)
{
    if (!name || !*name || !bytes || length <= 0)
        return false;
    m_fonts->Add(new CFnt(name, bytes, length, id, FontSize(size)));
    return true;
}

bool CAbstractDialogSystem::AddImage(FIBITMAP* bitmap, uint32_t id)
{
    if (!bitmap)
        return false;
    m_images->Add(new CSprite(id, nullptr, bitmap));
    return true;
}

int32_t CAbstractDialogSystem::FindPageByName(const char* name) const
{
    if (!name || !*name)
        return 0;
    for (int32_t i = 0; i < m_pages->GetCount(); ++i)
    {
        CDialogItem* page = m_pages->Get<CDialogItem>(i);
        if (page && SameName(page->m_name, name))
            return i + 1;
    }
    return 0;
}

int32_t CAbstractDialogSystem::FindPopupByName(const char* name) const
{
    if (!name || !*name)
        return 0;
    for (int32_t i = 0; i < m_popups->GetCount(); ++i)
    {
        CDialogItem* popup = m_popups->Get<CDialogItem>(i);
        if (popup && SameName(popup->m_name, name))
            return i + 1;
    }
    return 0;
}

int32_t CAbstractDialogSystem::FindPopupGroup(const char* name) const
{
    if (!name || !*name)
        return 0;
    for (int32_t i = 0; i < m_popupGroups->GetCount(); ++i)
    {
        if (SameName(m_popupGroups->Get<const char>(i), name))
            return i + 1;
    }
    return 0;
}

static CSprite* FindSpriteById(const CVector* sprites, uint32_t id)
{
    for (int32_t i = 0; i < sprites->GetCount(); ++i)
    {
        CSprite* sprite = sprites->Get<CSprite>(i);
        if (sprite && sprite->GetId() == id)
            return sprite;
    }
    return nullptr;
}

CSprite* CAbstractDialogSystem::FindImage(uint32_t id) const
{
    return FindSpriteById(m_images, id);
}

CSprite* CAbstractDialogSystem::FindIcon(uint32_t id) const
{
    return FindSpriteById(m_icons, id);
}

CFnt* CAbstractDialogSystem::FindFont(uint32_t id) const
{
    // A font whose face could not be made keeps id 0: it must not hide a working font of id 0.
    for (int32_t i = 0; i < m_fonts->GetCount(); ++i)
    {
        CFnt* font = m_fonts->Get<CFnt>(i);
        if (font && font->HasFace() && font->GetId() == id)
            return font;
    }
    return nullptr;
}

CDialogItem* CAbstractDialogSystem::GetPage(int32_t number) const
{
    return number >= 1 ? m_pages->Get<CDialogItem>(number - 1) : nullptr;
}

CDialogItem* CAbstractDialogSystem::GetPopup(int32_t number) const
{
    return number >= 1 ? m_popups->Get<CDialogItem>(number - 1) : nullptr;
}

int32_t CAbstractDialogSystem::GetCurrentPageNumber() const
{
    if (m_historyIndex < 0 || m_historyIndex >= static_cast<int32_t>(m_pageHistory.size()))
        return 0;
    return m_pageHistory[static_cast<size_t>(m_historyIndex)];
}

CDialogItem* CAbstractDialogSystem::GetCurrentPage() const
{
    return GetPage(GetCurrentPageNumber());
}

void CAbstractDialogSystem::DestroyTemplates()
{
    if (!m_templates)
        return;
    for (int32_t i = 0; i < m_templates->GetCount(); ++i)
        delete m_templates->Get<CTemplate>(i);
    delete m_templates;
    m_templates = nullptr;
}
