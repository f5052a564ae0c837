#pragma once
#include <cstdint>

#include "interface/DialogItem.h"

// The progress bar of the built-in Loading page: a horizontal level from 0 to the record total,
// drawn as a track (first state) with a fill (second state) from its left edge up to the level.
// It takes no pointer input: while loading, pointer events wait in the queue.
class CLoaderProgressBar : public CDialogItem
{
public:
    static constexpr uint32_t kTrackFill = 0x1E9DC0FF;
    static constexpr uint32_t kLevelFill = 0x5C5D6DFF;

    CLoaderProgressBar(CDialogItem* parent, const ItemRect& rect, uint32_t maximum);

    int32_t GetKind() override { return ItemKindSlider; }
    bool OnMouse(int32_t kind, int32_t x, int32_t y) override;
    // Kept within 0 to the maximum.
    void SetValue(float value) override;
    int32_t GetLow() override { return 0; }
    int32_t GetHigh() override { return m_high; }
    void Draw(const DialogRect& clip) override;

    // Width of the fill at the present level (the whole width when the maximum is 0).
    int32_t FillWidth() const;

private:
    int32_t m_high;
    int32_t m_fillHandle = 0;
};
