#include "interface/DialogListBox.h"

#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/FlipCommand.h"
#include "interface/ItemToDevice.h"
#include "platform/Clock.h"

#include <algorithm>
#include <limits>

namespace
{
constexpr uint32_t kVersionHeader = 0x10500;
constexpr uint32_t kVersionTiming = 0x10300;
constexpr int32_t kScrollBarThickness = 5;
constexpr int32_t kScrollBarMargin = 10;

void DeleteFlips(CVector* flips)
{
    if (flips == nullptr)
        return;
    for (int32_t i = 0; i < flips->GetCount(); i++)
        delete flips->Get<CFlipCommand>(i);
    flips->RemoveAll();
}

int32_t ClampToInt32(int64_t value)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
} // namespace

ListBoxRow::~ListBoxRow()
{
    delete[] text;
    DeleteFlips(flips);
    delete flips;
}

CDialogListBox::CDialogListBox(uint8_t behaviour, CDialogItem* parent) : CDialogItem(behaviour, parent)
{
    // Scrolling on after the finger has left.
    m_ownTimer = 1;
    m_flags |= ItemFlagScrollBarShown;
}

CDialogListBox::~CDialogListBox() = default;

// ---- Loading --------------------------------------------------------------------------------

bool CDialogListBox::Load(CInStream* stream)
{
    if (g_fileVersion >= kVersionHeader && !LoadHeader(stream))
        return false;
    if (!LoadRect(stream))
        return false;
    if (g_fileVersion >= kVersionTiming && !LoadTiming(stream))
        return false;
    if (!LoadCommandKeys(stream) || !LoadFlipCommands(stream) || !LoadStates(stream) || !LoadRows(stream))
        return false;
    ScaleDurationsToStates();
    ResetLayout();
    return true;
}

bool CDialogListBox::LoadHeader(CInStream* stream)
{
    uint8_t horizontal = 0;
    uint32_t rowSize = 0;
    int32_t indent = 0;
    if (!stream->ReadU8(horizontal) || !stream->ReadU8(m_header) || !stream->ReadU32(rowSize) ||
        !stream->ReadI32(indent))
        return false;
    if (horizontal != 0)
        m_flags |= ItemFlagHorizontal;
    else
        m_flags &= ~static_cast<uint32_t>(ItemFlagHorizontal);
    m_rowSize = static_cast<int32_t>(std::min<uint32_t>(rowSize, kMaxRowSize));
    m_indent = indent;
    return true;
}

bool CDialogListBox::LoadRows(CInStream* stream)
{
    uint16_t count = 0;
    if (!stream->ReadU16(count))
        return false;
    if (count > 0)
        AddRows(count, 0);
    // Rows beyond the cap are still read past, so that the records after them stay in step.
    ListBoxRow spare;
    spare.flips = new CVector();
    for (int32_t i = 0; i < count; i++)
    {
        ListBoxRow* row = i < GetRowCount() ? m_rows[static_cast<size_t>(i)].get() : &spare;
        if (!LoadRow(stream, row))
            return false;
    }
    return true;
}

bool CDialogListBox::LoadRow(CInStream* stream, ListBoxRow* row)
{
    char* utf8 = nullptr;
    if (!stream->ReadText(utf8))
        return false;
    delete[] row->text;
    row->text = Utf8ToWide(utf8);
    delete[] utf8;
    uint8_t selected = 0;
    uint16_t flipCount = 0;
    if (!stream->ReadU32(row->imageId) || !stream->ReadU8(selected) || !stream->ReadU16(flipCount))
        return false;
    row->selected = selected != 0 ? 1 : 0;
    for (int32_t i = 0; i < flipCount; i++)
    {
        uint8_t type = 0;
        char* text = nullptr;
        if (!stream->ReadU8(type) || !stream->ReadText(text))
            return false;
        row->flips->Add(new CFlipCommand(type, text));
        delete[] text;
    }
    uint8_t keyCount = 0;
    if (!stream->ReadU8(keyCount))
        return false;
    row->keys.clear();
    for (int32_t i = 0; i < keyCount; i++)
    {
        uint32_t key = 0;
        if (!stream->ReadU32(key))
            return false;
        row->keys.push_back(key);
    }
    return true;
}

// ---- Layout ---------------------------------------------------------------------------------

int32_t CDialogListBox::ViewSize() const
{
    return IsHorizontal() ? m_currentRect.width : m_currentRect.height;
}

void CDialogListBox::SetRowSize(int32_t rowSize)
{
    m_rowSize = std::clamp(rowSize, 0, kMaxRowSize);
    ResetLayout();
}

void CDialogListBox::ResetLayout()
{
    CDialogItem::ResetLayout();
    if (IsHorizontal())
    {
        m_rowWidth = m_rowSize;
        m_rowHeight = m_currentRect.height;
    }
    else
    {
        m_rowWidth = m_currentRect.width;
        m_rowHeight = m_rowSize;
    }
    // Files older than the header give no row size: such a box shows no rows rather than
    // dividing by zero.
    int32_t view = ViewSize();
    m_visibleSlots = m_rowSize > 0 ? (view + m_rowSize - 1) / m_rowSize + 1 : 0;
    UpdateContentSize();
}

void CDialogListBox::UpdateContentSize()
{
    int32_t view = ViewSize();
    m_contentSize = ClampToInt32(static_cast<int64_t>(m_rows.size()) * m_rowSize);
    m_maxOffset = std::max(0, m_contentSize - view);
    m_scrollBarRatio = m_contentSize != 0 && view > kScrollBarMargin
                           ? static_cast<float>(view - kScrollBarMargin) / static_cast<float>(m_contentSize)
                           : 1.0f;
}

// ---- Rows -----------------------------------------------------------------------------------

void CDialogListBox::Redraw()
{
    Invalidate();
    m_flags |= ItemFlagNeedsRender;
}

ListBoxRow* CDialogListBox::GetRow(int32_t index) const
{
    return index >= 0 && index < GetRowCount() ? m_rows[static_cast<size_t>(index)].get() : nullptr;
}

ListBoxRow* CDialogListBox::FindRow(uint32_t id) const
{
    for (const auto& row : m_rows)
        if (row->id == id)
            return row.get();
    return nullptr;
}

ListBoxRow* CDialogListBox::FindOrAddRow(uint32_t id)
{
    ListBoxRow* row = FindRow(id);
    if (row != nullptr)
        return row;
    if (GetRowCount() >= kMaxRows)
        return nullptr;
    auto added = std::make_unique<ListBoxRow>();
    added->id = id;
    added->flips = new CVector();
    row = added.get();
    m_rows.push_back(std::move(added));
    UpdateContentSize();
    return row;
}

void CDialogListBox::Clear()
{
    m_rows.clear();
    m_offset = 0;
    m_tappedRow = -1;
    UpdateContentSize();
    Redraw();
}

void CDialogListBox::AddRows(uint32_t count, uint32_t firstId)
{
    // The count comes from a peer: never more ids than the list can hold, and stop once it is full
    // (the ids still to come could only add rows).
    uint32_t limited = std::min<uint32_t>(count, kMaxRows);
    for (uint32_t i = 0; i < limited; i++)
    {
        if (FindOrAddRow(firstId + i) == nullptr)
            break;
    }
    Redraw();
}

void CDialogListBox::ShowScrollBar(bool shown)
{
    if (shown)
        m_flags |= ItemFlagScrollBarShown;
    else
        m_flags &= ~static_cast<uint32_t>(ItemFlagScrollBarShown);
    Redraw();
}

void CDialogListBox::SelectRow(uint32_t id, bool selected)
{
    ListBoxRow* row = FindRow(id);
    if (row == nullptr)
        return;
    row->selected = selected ? 1 : 0;
    Redraw();
}

void CDialogListBox::SetRowChannel(uint32_t id, uint32_t address)
{
    ListBoxRow* row = FindRow(id);
    if (row == nullptr)
        return;
    row->keys.assign(1, address);
    Redraw();
}

void CDialogListBox::SetRowText(uint32_t id, const char16_t* text)
{
    ListBoxRow* row = FindRow(id);
    if (row == nullptr)
        return;
    delete[] row->text;
    row->text = WStrDup(text);
    Redraw();
}

void CDialogListBox::SetRowBitmap(uint32_t id, uint32_t imageId)
{
    ListBoxRow* row = FindRow(id);
    if (row == nullptr)
        return;
    row->imageId = imageId;
    Redraw();
}

void CDialogListBox::ClearRowFlips(uint32_t id)
{
    ListBoxRow* row = FindRow(id);
    if (row == nullptr)
        return;
    DeleteFlips(row->flips);
    Redraw();
}

void CDialogListBox::AddRowFlip(uint32_t id, uint8_t type, const char* text)
{
    ListBoxRow* row = FindRow(id);
    if (row == nullptr)
        return;
    row->flips->Add(new CFlipCommand(type, text));
    Redraw();
}

void CDialogListBox::SetScrollColor(uint32_t color)
{
    m_scrollColor = color;
    Redraw();
}

void CDialogListBox::SetIndent(int32_t indent)
{
    m_indent = indent;
    Redraw();
}

// ---- Value ----------------------------------------------------------------------------------

void CDialogListBox::SetValue(float value)
{
    CDialogItem::SetValue(value);
    if (m_behaviour == ItemBehaviourFollowValue)
        CDialogItem::SetState(m_stateIndex, value != 0.0f ? 1 : 0, 0);
    else if (m_behaviour == ItemBehaviourFollowValueInverted)
        CDialogItem::SetState(m_stateIndex, value == 0.0f ? 1 : 0, 0);
}
