#pragma once
#include <cstdint>

#include "interface/DialogItem.h"

// A level between a low and a high bound: a track (the first state), a fill (the second state)
// from the start of the track up to the level, and an optional thumb from the resource pack's
// thumb images in the thumb colour. Pointing sets the level by the mode (the second behaviour
// byte): 1 absolute, 2 absolute and back to the middle on release, 3 relative, 4 relative and back
// to the middle; any other mode ignores where the pointer is.
class CDialogSlider : public CDialogItem
{
public:
    enum Mode : uint8_t
    {
        ModeAbsolute = 1,
        ModeAbsoluteReturn = 2,
        ModeRelative = 3,
        ModeRelativeReturn = 4,
    };

    // A loaded slider (its record is read by Load).
    CDialogSlider(uint8_t behaviour, CDialogItem* parent);
    // The Loading page's progress bar: horizontal, 0 to the maximum, two plain states made here.
    CDialogSlider(CDialogItem* parent, const ItemRect& rect, uint32_t maximum);

    int32_t GetKind() override { return ItemKindSlider; }
    // A slider neither holds its channels nor plays command sequences while pressed: its level
    // is sent as it changes.
    void OnTimer(uint32_t elapsedMs) override { (void)elapsedMs; }
    void Update(uint32_t elapsedMs) override;
    bool OnMouse(int32_t kind, int32_t x, int32_t y) override;
    // Kept within [low, high].
    void SetValue(float value) override;
    bool Load(CInStream* stream) override;
    int32_t GetLow() override { return m_low; }
    int32_t GetHigh() override { return m_high; }
    void ResetLayout() override;
    void Draw(const DialogRect& clip) override;

    // Margins and track length from the first state's frame template, thumb size from the thumb.
    void UpdateGeometry();
    // Paints the thumb into its render handle.
    void RenderThumb();
    // The level at a point in item coordinates (before clamping to the bounds).
    int64_t PointToValue(int32_t x, int32_t y);
    // The fill's extent along the track from its start, in pixels.
    int32_t FillPosition();

    int32_t m_lastSent = 0;
    int32_t m_low = 0;
    int32_t m_high = 0;
    uint8_t m_dragFlag = 1;
    int32_t m_fillHandle = 0;
    int32_t m_lastX = 0;
    int32_t m_lastY = 0;
    uint8_t m_thumbNumber = 0;
    uint32_t m_thumbColor = 0;
    int32_t m_thumbHandle = 0;
    int32_t m_marginLeft = 0;
    int32_t m_marginTop = 0;
    int32_t m_marginRight = 0;
    int32_t m_marginBottom = 0;
    int32_t m_trackLength = 0;
    int32_t m_thumbSize = 0;

protected:
    // Bounds, flags and (for the slider, not the multi-state slider) the thumb.
    bool LoadRange(CInStream* stream, bool withThumb);
    bool IsHorizontal() const { return (m_flags & ItemFlagHorizontal) != 0; }
    bool IsReversed() const { return (m_flags & ItemFlagReversed) != 0; }
    // The thumb image the thumb number names, null when none.
    const struct SliderThumb* FindThumb() const;
    // Sends the level when it is not the last one sent.
    void SendIfChanged();
    void OnPress(int32_t x, int32_t y);
    void OnMove(int32_t x, int32_t y);
    void OnRelease();
};
