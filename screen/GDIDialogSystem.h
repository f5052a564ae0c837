#pragma once
#include "interface/AbstractDialogSystem.h"

// The back end of a windowed interface: the window's client area is the design size and the
// surface is drawn on the tick thread in Flush, then presented by the main thread.
class CGDIDialogSystem : public CAbstractDialogSystem
{
public:
    explicit CGDIDialogSystem(uint8_t displayFlags);
    ~CGDIDialogSystem() override;

    bool Init(SDL_Window* window, int32_t designWidth, int32_t designHeight, bool fullScreen,
              uint32_t version) override;
    void ReleaseSurface() override;
    void Paint(const DialogRect& rect) override;
};
