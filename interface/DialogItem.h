#pragma once
#include <cstdint>

#include "interface/AbstractDialogSystem.h"

class CVector;
class CInStream;
class CDialogItemState;
class CFlipCommand;
class CAbstractEffect;
struct CPixelBuffer;
class CSprite;
class CFnt;

// Bits of an item's flag word.
enum ItemFlags : uint32_t
{
    ItemFlagPressed = 0x01,
    ItemFlagNeedsRender = 0x02,
    ItemFlagVisible = 0x04,
    ItemFlagEnabled = 0x08,
    ItemFlagReversed = 0x20,
    ItemFlagHorizontal = 0x40,
    ItemFlagScrolling = 0x80,
    ItemFlagScrollBarShown = 0x100,
    // While a slider is dragged, feedback values are not applied.
    ItemFlagDragging = 0x200,
    // Visible, enabled, horizontal and waiting for its first render.
    ItemFlagsInitial = 0x4E,
};

// What GetKind answers.
enum ItemKind : int32_t
{
    ItemKindBase = 0,
    ItemKindPage = 1,
    ItemKindPopup = 2,
    ItemKindButton = 3,
    ItemKindSlider = 4,
    ItemKindMultiStateButton = 5,
    ItemKindMultiStateSlider = 6,
    ItemKindEditBox = 8,
    ItemKindListBox = 11,
    ItemKindUpDownButton = 12,
    ItemKindTriggerButton = 13,
};

// Behaviour byte of a child record; each item class gives it its own meaning.
enum ItemBehaviour : uint8_t
{
    ItemBehaviourNone = 0,
    ItemBehaviourFollowValue = 1,
    ItemBehaviourFollowValueInverted = 2,
    ItemBehaviourAlwaysOn = 3,
    ItemBehaviourMomentary = 4,
};

// Pointer kinds handed to OnMouse (the same codes as CMouseData).
enum ItemMouseKind : int32_t
{
    ItemMouseMove = 0,
    ItemMouseRelease = 1,
    ItemMousePress = 2,
    ItemMouseForcedRelease = 3,
};

// Channel address of the loader's progress value and step text.
constexpr uint32_t kLoaderChannelAddress = 0xFFFF;

// x, y, width, height.
struct ItemRect
{
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// One of the press and release command sequences of custom byte-string devices. The run has
// ended when nextIndex equals count.
struct ItemCommandSequence
{
    static constexpr int32_t kCapacity = 128;
    uint32_t elapsedMs = 0;
    uint8_t nextIndex = 0;
    uint8_t count = 0;
    uint32_t entries[kCapacity] = {};
};

// The hold sequence: repeated on every tick while the item is held.
struct ItemHoldSequence
{
    static constexpr int32_t kCapacity = 128;
    uint32_t heldMs = 0;
    uint8_t count = 0;
    uint32_t entries[kCapacity] = {};
};

// Base class of every element of the running interface (buttons, sliders, list and edit boxes,
// popups, pages and the back end's root item). All items live on the tick thread; drawing reads
// them under the back end's lock.
class CDialogItem
{
public:
    // With a rectangle the item takes it as its loaded rectangle and lays itself out at once.
    CDialogItem(uint8_t behaviour, CDialogItem* parent, const ItemRect* rect = nullptr);
    CDialogItem(const CDialogItem&) = delete;
    CDialogItem& operator=(const CDialogItem&) = delete;

    // Virtual operations, in slot order.
    virtual ~CDialogItem();
    virtual int32_t GetKind() { return ItemKindBase; }
    // Every tick, for every item of every page and popup: command sequences, hold, effects.
    virtual void OnTimer(uint32_t elapsedMs);
    // Every tick, for the items of the current page: notices new pictures of dynamic images.
    virtual void Update(uint32_t elapsedMs);
    // kind is an ItemMouseKind; x and y are relative to the item's design position. The base
    // accepts the pointer only when the item is visible and enabled.
    virtual bool OnMouse(int32_t kind, int32_t x, int32_t y);
    virtual void SetValue(float value);
    virtual void OnPageShow() {}
    virtual void OnPageHide() {}
    // Reads the common item record. False when the record does not fit in the bytes left:
    // loading then ends.
    virtual bool Load(CInStream* stream);
    virtual int32_t GetState() { return m_stateIndex; }
    virtual float GetValue() { return m_value; }
    virtual int32_t GetLow() { return 0; }
    virtual int32_t GetHigh() { return 0; }
    // Design coordinates of the current position.
    virtual int32_t GetAbsX();
    virtual int32_t GetAbsY();
    // The loaded size, not the current one.
    virtual int32_t GetWidth() { return m_loadedRect.width; }
    virtual int32_t GetHeight() { return m_loadedRect.height; }
    // Current opacity times the parents' opacities, out of 255.
    virtual int32_t GetOpacity();
    virtual void ResetLayout();
    virtual CDialogItem* GetParent() { return m_parent; }
    // The base ignores from and duration and clamps to into the state list.
    virtual void SetState(int32_t from, int32_t to, uint32_t durationMs);
    virtual void Press();
    virtual void Release();
    // Renders the look when flagged and composites the cached picture, cut to clip (surface
    // coordinates, right and bottom exclusive).
    virtual void Draw(const DialogRect& clip);
    // Paints the current state into buffer (a new one of the item's current size when null; an
    // existing one at its own size) and returns the buffer painted. Draw hands it no buffer when
    // the cached one no longer has the item's size.
    virtual CPixelBuffer* RenderState(CPixelBuffer* buffer);
    // The item when the design point hits it, else null.
    virtual CDialogItem* HitTest(int32_t x, int32_t y);

    // Geometry and flags.
    void SetRect(const ItemRect& rect);
    void Invalidate();
    void SetEnabled(bool enabled);
    void SetVisible(bool visible);
    bool IsVisible() const { return (m_flags & ItemFlagVisible) != 0; }
    bool IsEnabled() const { return (m_flags & ItemFlagEnabled) != 0; }
    bool IsPressed() const { return (m_flags & ItemFlagPressed) != 0; }
    bool NeedsRender() const { return (m_flags & ItemFlagNeedsRender) != 0; }

    // Addresses.
    void BindLoaderAddress();
    int32_t GetAddressCount() const { return m_addressCount; }
    uint32_t GetAddress(int32_t index) const;
    bool IsBoundTo(uint32_t address) const;

    // Parts of the common item record, also used by pages and popups in their own order.
    bool LoadRect(CInStream* stream);
    bool LoadTiming(CInStream* stream);
    bool LoadCommandKeys(CInStream* stream);
    // Puts one address where LoadCommandKeys sorted it (a CommandKeyKind): the plain list or a
    // sequence. A sequence keeps its first 128 entries and drops the rest.
    void AddCommandKey(uint32_t address, uint8_t kind);
    bool LoadFlipCommands(CInStream* stream);
    bool LoadStates(CInStream* stream);
    // Reads exactly one state record and appends it (pages and popups).
    bool LoadItemState(CInStream* stream);
    // Turns the file's animation times (tenths of a second for the whole animation) into
    // milliseconds per state.
    void ScaleDurationsToStates();

    // States.
    int32_t GetStateCount() const;
    CDialogItemState* GetStateAt(int32_t index) const;
    // The state at the state index, null when the index is outside the list.
    CDialogItemState* GetCurrentState() const { return GetStateAt(m_stateIndex); }
    // Appends a state the item then owns (pages and popups built in code get one default state).
    void AddState(CDialogItemState* state);

    // Per-state setters: index is a state of the item or -1 for every state. Each ends by
    // invalidating the item, also when the index names no state.
    void SetFillColor(int32_t index, uint32_t color);
    void SetTextColor(int32_t index, uint32_t color);
    void SetBorderColor(int32_t index, uint32_t color);
    void SetOpacity(int32_t index, uint8_t opacity);
    void SetText(int32_t index, const char16_t* text);
    void AppendText(int32_t index, const char16_t* text);
    void SetBitmap(int32_t index, CSprite* bitmap);
    void SetIcon(int32_t index, CSprite* icon);
    void SetBitmapAlignment(int32_t index, uint8_t code);
    void SetIconAlignment(int32_t index, uint8_t code);
    void SetTextAlignment(int32_t index, uint8_t code);
    void SetLoadingBorder();
    void SetFont(CFnt* font);
    void SetBitmapCentred(CSprite* bitmap);

    // Fields, in this order; the derived classes append their own.
    uint32_t m_id;
    CDialogItem* m_parent;
    char* m_name = nullptr; // new[] (StrDup), freed by the destructor
    uint8_t m_behaviour;
    uint8_t m_secondBehaviour = 0;
    int32_t m_clickSoundId = 0;
    ItemRect m_loadedRect;
    uint8_t m_loadedOpacity = 255;
    uint8_t m_loop = 0;
    uint32_t m_animationTimeMs = 0;
    uint32_t m_firstDurationMs = 0;
    uint32_t m_secondDurationMs = 0;
    uint8_t m_addressCount = 0;
    uint32_t* m_addresses = nullptr;
    uint8_t m_hasSequences = 0;
    // Set by a class whose OnTimer does more than the base's (played sequences, held channels
    // and effects): its parent then visits it on every tick, not only while it is pressed.
    uint8_t m_ownTimer = 0;
    // How many of this item's children are pressed now (Press and Release keep it).
    int32_t m_pressedChildren = 0;
    ItemCommandSequence m_pressSequence;
    ItemCommandSequence m_releaseSequence;
    ItemHoldSequence m_holdSequence;
    CVector* m_states;
    CVector* m_flipCommands;
    CVector* m_effects;
    int32_t m_renderHandle = 0;
    float m_value = 0.0f;
    int32_t m_stateIndex = 0;
    uint32_t m_flags = ItemFlagsInitial;
    ItemRect m_currentRect;
    ItemRect m_visiblePart;
    uint8_t m_currentOpacity = 255;
    uint8_t m_renderedOpacity = 255;

protected:
    // Appends one address to the plain list (which has room for capacity entries).
    void AppendPlainAddress(uint32_t address);
    // Calls fn on every state named by index (-1: every state), then invalidates the item.
    template <class Fn> void ForStates(int32_t index, Fn fn);

private:
    uint8_t m_addressCapacity = 0;
    void ForceReleaseIfHeld();
};

// The strict hit rule: inside the visible part, its border row and column excluded. A plain
// button whose second behaviour is 2 is never hit. Flags are not tested.
bool IsInHitRect(CDialogItem* item, int32_t x, int32_t y);

// Restarts the auto-hide time of a popup (a child of it was pressed or released).
void RestartPopupAutoHide(CDialogItem* popup);

// Item id counter: ids are counter | 0xFF000000, the counter runs 1..0xFFFFFF and wraps to 1.
uint32_t NextItemId();
// For tests of the wrap: sets the counter that the next NextItemId increments.
void SetItemIdCounter(uint32_t counter);
