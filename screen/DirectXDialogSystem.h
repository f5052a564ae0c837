#pragma once
#include "interface/AbstractDialogSystem.h"

// One display mode of the screen.
struct DisplayMode
{
    uint8_t bitsPerPixel;
    int32_t width;
    int32_t height;
};

// The back end of a full-screen interface: the screen is switched to the first listed display
// mode that holds the design, the design area is centred on it with black around, and the surface is
// drawn on the tick thread in Flush, then presented by the main thread.
class CDirectXDialogSystem : public CAbstractDialogSystem
{
public:
    explicit CDirectXDialogSystem(uint8_t displayFlags);
    ~CDirectXDialogSystem() override;

    bool Init(SDL_Window* window, int32_t designWidth, int32_t designHeight, bool fullScreen,
              uint32_t version) override;
    void ReleaseSurface() override;
    void Paint(const DialogRect& rect) override;

    // Appends modes of 24 bits per pixel or more, in the order they are reported (Init reports
    // the screen's modes smallest first).
    void AddDisplayMode(uint8_t bitsPerPixel, int32_t width, int32_t height);
    CVector* GetDisplayModes() const { return m_displayModes; }
    // Index of the first listed mode whose width and height both hold the design, -1 when none.
    int32_t FindModeFor(int32_t designWidth, int32_t designHeight) const;

private:
    void ClearDisplayModes();
    bool EnumerateDisplayModes(int displayIndex);

    CVector* m_displayModes = nullptr;
};
