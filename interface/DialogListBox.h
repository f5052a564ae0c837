#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "interface/DialogItem.h"

class CVector;

// One row of a list box. It owns its keys, its text and its flip commands.
struct ListBoxRow
{
    ListBoxRow() = default;
    ~ListBoxRow();
    ListBoxRow(const ListBoxRow&) = delete;
    ListBoxRow& operator=(const ListBoxRow&) = delete;

    uint32_t id = 0;
    std::vector<uint32_t> keys; // ChannelAddress values pressed and released by a tap
    uint8_t selected = 0;
    char16_t* text = nullptr; // new[] (WStrDup), null for none
    uint32_t imageId = 0;     // 0: the state's bitmap
    uint32_t seenImageVersion = 0;
    CVector* flips = nullptr; // CFlipCommand*, owned; never null
};

// A scrolling list of rows, vertical or horizontal. It scrolls by dragging, coasts after a flick
// and slows down by a fixed step per tick; a tap on a row sends the row's index as the list box's
// value, presses and releases the row's keys and runs its flip commands. Its states paint the
// background (0), a row (1), a selected row (2) and the row under the finger (3).
class CDialogListBox : public CDialogItem
{
public:
    // A peer adds rows by count: the list never holds more than this, so that a peer cannot
    // exhaust memory or make one event take longer than a tick.
    static constexpr int32_t kMaxRows = 2000;
    // A row is never larger than the largest design side.
    static constexpr int32_t kMaxRowSize = 8192;
    static constexpr int32_t kDefaultDeceleration = 200;
    // The frame template the scroll bar is drawn with (1-based).
    static constexpr int32_t kScrollBarTemplate = 169;

    CDialogListBox(uint8_t behaviour, CDialogItem* parent);
    ~CDialogListBox() override;

    int32_t GetKind() override { return ItemKindListBox; }
    void OnTimer(uint32_t elapsedMs) override;
    void Update(uint32_t elapsedMs) override;
    bool OnMouse(int32_t kind, int32_t x, int32_t y) override;
    void SetValue(float value) override;
    bool Load(CInStream* stream) override;
    void ResetLayout() override;
    CPixelBuffer* RenderState(CPixelBuffer* buffer) override;

    // OnMouse at a given time of the process clock (tests drive the time).
    bool OnMouseAt(int32_t kind, int32_t x, int32_t y, uint32_t nowMs);

    // Row operations (device events); each redraws the list box when it changes a row.
    void Clear();
    void AddRows(uint32_t count, uint32_t firstId);
    ListBoxRow* FindOrAddRow(uint32_t id);
    ListBoxRow* FindRow(uint32_t id) const;
    void ShowScrollBar(bool shown);
    void SelectRow(uint32_t id, bool selected);
    void SetRowChannel(uint32_t id, uint32_t address);
    void SetRowText(uint32_t id, const char16_t* text);
    void SetRowBitmap(uint32_t id, uint32_t imageId);
    void ClearRowFlips(uint32_t id);
    void AddRowFlip(uint32_t id, uint8_t type, const char* text);
    void SetDeceleration(int32_t deceleration) { m_deceleration = deceleration; }
    void SetScrollColor(uint32_t color);
    void SetIndent(int32_t indent);

    // Content size, maximum offset and the scroll-bar ratio from the rows and the view.
    void UpdateContentSize();

    int32_t GetRowCount() const { return static_cast<int32_t>(m_rows.size()); }
    ListBoxRow* GetRow(int32_t index) const;
    int32_t GetRowSize() const { return m_rowSize; }
    void SetRowSize(int32_t rowSize);
    int32_t GetVisibleSlots() const { return m_visibleSlots; }
    int32_t GetOffset() const { return m_offset; }
    void SetOffset(int32_t offset) { m_offset = offset; }
    int32_t GetMaxOffset() const { return m_maxOffset; }
    int32_t GetContentSize() const { return m_contentSize; }
    int32_t GetSpeed() const { return m_speed; }
    int32_t GetTappedRow() const { return m_tappedRow; }
    int32_t GetDeceleration() const { return m_deceleration; }
    uint32_t GetScrollColor() const { return m_scrollColor; }
    int32_t GetIndent() const { return m_indent; }
    float GetScrollBarRatio() const { return m_scrollBarRatio; }
    bool IsHorizontal() const { return (m_flags & ItemFlagHorizontal) != 0; }

private:
    bool LoadHeader(CInStream* stream);
    bool LoadRows(CInStream* stream);
    bool LoadRow(CInStream* stream, ListBoxRow* row);
    int32_t ViewSize() const;
    void Redraw();
    void StopScrolling();
    void ReleaseTap();
    void PaintRow(CPixelBuffer* rowBuffer, int32_t stateIndex, ListBoxRow* row);
    void DrawScrollBar(CPixelBuffer* buffer);

    uint8_t m_header = 0;
    std::vector<std::unique_ptr<ListBoxRow>> m_rows;
    int32_t m_rowSize = 0;
    int32_t m_rowWidth = 0;
    int32_t m_rowHeight = 0;
    int32_t m_visibleSlots = 0;
    int32_t m_tappedRow = -1;
    int32_t m_offset = 0;
    int32_t m_drawnOffset = -1;
    int32_t m_maxOffset = 0;
    int32_t m_contentSize = 0;
    uint32_t m_pressTick = 0;
    int32_t m_dragDistance = 0;
    float m_scrollBarRatio = 1.0f;
    int32_t m_deceleration = kDefaultDeceleration; // 16.16 pixels per ms taken off per tick
    uint32_t m_scrollColor = 0;
    int32_t m_indent = 0;
    int32_t m_speed = 0; // 16.16 pixels per ms, signed
    int32_t m_lastX = 0;
    int32_t m_lastY = 0;
};
