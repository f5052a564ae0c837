#pragma once
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "common/NerulanCriticalSection.h"
#include "common/Vector.h"
#include "devices/DeviceEventSink.h"
#include "render/DialogRect.h"

struct SDL_Window;
class CInStream;
class CDialogItem;
class CDialogEditBox;
class CDialogPage;
class CDialogPopup;
class CSprite;
class CFnt;
class CAbstractSoundOutput;
class CDynamicSpriteData;
struct CPixelBuffer;
struct FIBITMAP;
class CDirtyMap;

// One slider thumb of the resource pack: its data (owned, new[]), null when the pack gave none.
struct SliderThumb
{
    uint8_t* data;
    int32_t length;
};

// Progress of one section of the interface file while it is loaded record by record.
struct LoaderSection
{
    uint8_t done;
    int32_t next;
    int32_t count; // -1 until the section's count has been read
};

// The running interface and its rendering back end in one object, one per run. It owns every
// registry of the interface (their entries included), the page history, the pointer capture,
// the loader state, the drawing surface with its map of dirty cells, the cached item bitmaps
// (render handles), the lock that separates drawing from interface updates, and the sound output.
class CAbstractDialogSystem : public CDeviceEventSink
{
public:
    // The loader's sections, in file order.
    enum LoaderSectionIndex
    {
        SectionStartUp = 0,
        SectionImages,
        SectionIcons,
        SectionFonts,
        SectionSounds,
        SectionPages,
        SectionPopups,
        SectionCount
    };

    static constexpr uint32_t kDefaultFontId = 0xFFFF;
    static constexpr int32_t kDefaultFontSize = 15;
    static constexpr uint32_t kSplashImageId = 0xFFFFFF;
    static constexpr int32_t kClickSoundId = -1;
    // The largest design side accepted: the file's 16-bit sizes could ask for a 17 GB surface,
    // while this keeps it at 256 MB (an 8K screen is 7680 wide), drawn whole in about a second.
    // A larger design cannot be set up.
    static constexpr int32_t kMaxDesignSide = 8192;

    // ---- Construction and the 13 virtual operations, in slot order ----------------------------
    explicit CAbstractDialogSystem(uint8_t displayFlags);
    ~CAbstractDialogSystem() override;
    CAbstractDialogSystem(const CAbstractDialogSystem&) = delete;
    CAbstractDialogSystem& operator=(const CAbstractDialogSystem&) = delete;

    // Main thread, before the tick thread exists. False (and nothing usable) when the window is
    // missing, the design size is zero or above kMaxDesignSide, or the screen cannot be set up;
    // the caller must stop.
    virtual bool Init(SDL_Window* window, int32_t designWidth, int32_t designHeight, bool fullScreen,
                      uint32_t version) = 0;
    virtual void ReleaseSurface() = 0;
    // Tick thread, last step of every tick: turns the dirty cells into drawing (FlushDirtyCells).
    virtual void Flush();
    virtual void InvalidateAll();
    // Design coordinates; tick thread. Marks the cells in the dirty map.
    virtual void Invalidate(int32_t x, int32_t y, int32_t width, int32_t height);
    // Once per tick after loading, under the lock.
    virtual void Update(uint32_t elapsedMs);
    // Composites an item's cached bitmap into the surface at (x, y), clipped (null: whole surface).
    virtual void DrawItemBitmap(CDialogItem* item, int32_t renderHandle, int32_t x, int32_t y,
                                const DialogRect* clip);
    // Draws the current page clipped to the rectangle into the surface and records it for Present
    // (windowed: window coordinates, clipped to the design area; full screen: design coordinates).
    virtual void Paint(const DialogRect& rect) = 0;
    virtual int32_t NewRenderHandle();
    virtual void FreeRenderHandle(int32_t handle);
    virtual CPixelBuffer* GetRenderHandle(int32_t handle);
    virtual void SetRenderHandle(int32_t handle, CPixelBuffer* block);

    // ---- Presenting (main thread) -----------------------------------------------------------
    // The SDL user event type that asks the main thread to call Present (registered once).
    static uint32_t PresentEventType();
    // Copies the rectangles finished by the flushes since the last call from the surface to the
    // window, under the lock.
    virtual void Present();
    // Copies the whole output (after the window was exposed), black around the design area.
    virtual void PresentAll();
    // Why the last Init failed (a text for the start-up error box), empty when it did not.
    const char* GetInitError() const { return m_initError; }

    // ---- Running flag ---------------------------------------------------------------------------
    bool IsRunning() const;
    void RequestQuit();

    // ---- Loader (interface file and resource pack) ----------------------------------------------
    void BeginLoad(CInStream* stream);
    // One record per call; false once the last record was read and the start page is shown.
    bool LoadNext();
    void LoadResourcePack();
    void BuildLoadingPage();

    // ---- Pointer dispatch (tick thread) ---------------------------------------------------------
    // kind: 0 move, 1 button up, 2 button down; x, y in output (window) pixels.
    bool DispatchPointer(uint8_t kind, int32_t x, int32_t y);
    int32_t GetHeldItemState() override;
    uint32_t GetHeldItemId() override;
    bool GetHeldItemText(std::u16string& text) override;
    // The pointer capture and the last pointer position (design coordinates), for the forced
    // release of an item that is disabled or hidden while it holds the pointer.
    CDialogItem* GetHeldItem() const { return m_heldItem; }
    void ClearHeldItem() { m_heldItem = nullptr; }
    int32_t GetPointerX() const { return m_pointerX; }
    int32_t GetPointerY() const { return m_pointerY; }
    // Runs a CFlipCommand list in order (an item's release actions); null does nothing.
    void RunFlipCommands(CVector* list);
    // Sets the value of every item bound to the address (pages and popups store it without their
    // own SetValue; a slider being dragged keeps its value); device events and the echo of sent
    // values.
    void SetItemValue(uint32_t address, float value) override;
    // Items whose id is the given one take the state; so do the page and the popup of that number.
    void SetItemStateById(uint32_t id, int32_t state) override;

    // ---- Item changes by channel address (device events; tick thread) -------------------------
    // Each reaches the children of every page and popup, shown or not, that are bound to the
    // address, and then the page or popup itself when it is bound, except where noted. A state
    // index that is neither -1 nor a state of the item, or an alignment code above 9, leaves that
    // item as it is.
    // Only sliders and multi-state sliders that are not being dragged; pages and popups never.
    void SetSliderValue(uint32_t address, float value) override;
    // The first bound child with a range gives the value and the bounds (else the first bound
    // child, whose bounds are 0 and 0); the stepped value, kept within them, is sent to the device
    // and echoed. Pages and popups are not considered.
    void StepItemValue(uint32_t address, float delta) override;
    void SetItemText(uint32_t address, int32_t state, const char16_t* text) override;
    void AppendItemText(uint32_t address, int32_t state, const char16_t* text) override;
    // Children: their SetState (which animates a multi-state button); a page or popup takes the
    // to state at once.
    void SetItemState(uint32_t address, int32_t from, int32_t to, uint32_t durationTenths) override;
    void SetItemFillColor(uint32_t address, int32_t state, uint32_t color) override;
    void SetItemTextColor(uint32_t address, int32_t state, uint32_t color) override;
    void SetItemBorderColor(uint32_t address, int32_t state, uint32_t color) override;
    void SetItemOpacity(uint32_t address, int32_t state, uint8_t opacity) override;
    // Disabling or hiding the item that holds the pointer ends its press first.
    void SetItemEnabled(uint32_t address, bool enabled) override;
    void SetItemVisible(uint32_t address, bool visible) override;
    // The first image whose name begins with the given one, ignoring ASCII case; none: nothing.
    void SetItemBitmapByName(uint32_t address, int32_t state, const char* name) override;
    void SetItemBitmapById(uint32_t address, int32_t state, uint32_t id) override;
    void SetItemIconById(uint32_t address, int32_t state, uint32_t id) override;
    void SetItemBitmapAlignment(uint32_t address, int32_t state, uint8_t code) override;
    void SetItemIconAlignment(uint32_t address, int32_t state, uint8_t code) override;
    void SetItemTextAlignment(uint32_t address, int32_t state, uint8_t code) override;

    // ---- List boxes (device events 32 to 43): every list box bound to the address, on every page
    // and popup, shown or not.
    void ListBoxClear(uint32_t address) override;
    void ListBoxAddRows(uint32_t address, uint32_t count, uint32_t firstId) override;
    void ListBoxSetResistance(uint32_t address, int32_t deceleration) override;
    void ListBoxSetScrollColor(uint32_t address, uint32_t color) override;
    void ListBoxShowScrollBar(uint32_t address, bool shown) override;
    void ListBoxSetIndent(uint32_t address, int32_t indent) override;
    void ListBoxSelectRow(uint32_t address, uint32_t rowId, bool selected) override;
    void ListBoxSetRowChannel(uint32_t address, uint32_t rowId, uint32_t channelAddress) override;
    void ListBoxSetRowText(uint32_t address, uint32_t rowId, const char16_t* text) override;
    void ListBoxSetRowBitmap(uint32_t address, uint32_t rowId, const char* imageName) override;
    void ListBoxClearRowFlips(uint32_t address, uint32_t rowId) override;
    void ListBoxAddRowFlip(uint32_t address, uint32_t rowId, uint8_t type, const char* text) override;
    // The id of the first image, static or dynamic, whose name begins with the given name (ASCII
    // case ignored); 0 for none or an empty name.
    uint32_t FindImageIdByNamePrefix(const char* name) const;

    // ---- Edit boxes (device events 44 to 58) ----------------------------------------------------
    CDialogEditBox* GetFocusedEditBox() const { return m_focusedEditBox; }
    void SetFocusedEditBox(CDialogEditBox* editBox) { m_focusedEditBox = editBox; }
    // Focuses the first edit box among the page's children and those of the popups shown on it;
    // false (focus unchanged) when there is none.
    bool FocusFirstEditBox(CDialogPage* page);
    void ClearFocusedEditBox() override;
    void EditBoxInsertText(const char16_t* text) override;
    void EditBoxCommand(uint8_t kind) override;
    void ClearPageEditBoxes() override;
    void SendPageEditBoxes() override;
    void FocusNextEditBox() override;
    void FocusPreviousEditBox() override;

    // ---- Registration (loaders) -----------------------------------------------------------------
    bool AddFontFromFile(const char* fileName, uint32_t id, int32_t size);
    bool AddFontFromMemory(const char* name, const uint8_t* bytes, int32_t length, uint32_t id, int32_t size);
    // Takes the bitmap.
    bool AddImage(FIBITMAP* bitmap, uint32_t id);

    // ---- Lookups ----------------------------------------------------------------------------
    // 1-based numbers, 0 when not found; names compare byte for byte.
    int32_t FindPageByName(const char* name) const;
    int32_t FindPopupByName(const char* name) const;
    int32_t FindPopupGroup(const char* name) const;
    CSprite* FindImage(uint32_t id) const;
    // The first image, static or dynamic, whose name begins with the given one (equal names
    // included), ignoring ASCII case; null for none and for a null or empty name.
    CSprite* FindImageByName(const char* name) const;
    CSprite* FindIcon(uint32_t id) const;
    // The first font of the id that has a face (a font without one draws nothing).
    CFnt* FindFont(uint32_t id) const;
    // Pages and popups are kept in their registries as CDialogItem* (their common base); these
    // return null for a number outside the registry.
    CDialogItem* GetPage(int32_t number) const;
    CDialogItem* GetPopup(int32_t number) const;
    // The page at the history index, 0 / null when there is none.
    int32_t GetCurrentPageNumber() const;
    CDialogItem* GetCurrentPage() const;

    // ---- Navigation (tick thread) -------------------------------------------------------------
    void ShowPage(const char* name) override;
    // A null or empty page name means the current page.
    void GoBack();
    void ShowPopup(const char* popupName, const char* pageName) override;
    void HidePopup(const char* popupName, const char* pageName) override;
    void TogglePopup(const char* popupName, const char* pageName) override;
    void HidePopupGroup(const char* groupName) override;
    void HidePopupOnAllPages(const char* popupName) override;
    void HideAllPopupsOnPage(const char* pageName) override;
    void HideAllPopups() override;
    void HideGroupOnPage(int32_t pageNumber, int32_t groupNumber);
    void RaisePopupOnPage(int32_t pageNumber, int32_t popupNumber);
    void RemovePopupFromPage(int32_t pageNumber, int32_t popupNumber);
    // Dynamic-image requests; the data stays the caller's.
    void AddDynamicImage(const char* name, const CDynamicSpriteData* data) override;
    void ChangeDynamicImage(const char* name, const CDynamicSpriteData* data) override;
    void RefreshDynamicImage(const char* name, uint32_t periodMs) override;
    void RefreshAllDynamicImages() override;
    // The page / popup of a 1-based number, null for none.
    CDialogPage* GetPageObject(int32_t number) const;
    CDialogPopup* GetPopupObject(int32_t number) const;

    // ---- Loader records: one each, from the load stream; false when the record is cut short
    // or cannot be skipped (loading then ends with what was read so far).
    bool LoadImageRecord();
    bool LoadIconRecord();
    bool LoadFontRecord();
    bool LoadSoundRecord();
    bool LoadPageRecord();
    bool LoadPopupRecord();
    const LoaderSection* GetLoaderSection(int32_t index) const;
    int32_t GetProgress() const { return m_progress; }
    uint32_t GetRecordTotal() const { return m_recordTotal; }
    const char* GetStartPageName() const { return m_startPageName; }
    CVector* GetStartupPopups() const { return m_startupPopups; }

    // ---- Dynamic images ---------------------------------------------------------------------
    void UpdateDynamicImages();

    // ---- Sound --------------------------------------------------------------------------------
    // Starts the sound with that id (-1: the click), stopping the one started before.
    bool PlaySound(int32_t id);

    // ---- Accessors ----------------------------------------------------------------------------
    CNerulanCriticalSection* GetLock() const { return &m_lock; }
    CDialogItem* GetRootItem() const { return m_rootItem; }
    CPixelBuffer* GetSurface() const { return m_surface; }
    bool IsFullScreen() const { return m_fullScreen != 0; }
    int32_t GetOffsetX() const { return m_offsetX; }
    int32_t GetOffsetY() const { return m_offsetY; }
    int32_t GetOutputWidth() const { return m_outputWidth; }
    int32_t GetOutputHeight() const { return m_outputHeight; }
    // Waits for the sound output's start (see m_soundStarter) when it is still under way.
    CAbstractSoundOutput* GetSoundOutput();
    CVector* GetImages() const { return m_images; }
    CVector* GetIcons() const { return m_icons; }
    CVector* GetFonts() const { return m_fonts; }
    CVector* GetTemplates() const { return m_templates; }
    CVector* GetSliderThumbs() const { return m_sliderThumbs; }
    CVector* GetSounds() const { return m_sounds; }
    CVector* GetPopupGroups() const { return m_popupGroups; }
    CVector* GetPopups() const { return m_popups; }
    CVector* GetPages() const { return m_pages; }
    // Page numbers (1-based), one per history entry.
    std::vector<int32_t>& GetPageHistory() { return m_pageHistory; }
    int32_t GetHistoryIndex() const { return m_historyIndex; }

    // Design offsets of a design area centred in an output area (integer halving).
    static int32_t CentredOffset(int32_t outputSize, int32_t designSize);

protected:
    // The steps of Init that both back ends run before their own screen set-up: checks, surface
    // size, dirty map, file version. False for a missing window or a zero design size.
    bool InitCommonBegin(SDL_Window* window, int32_t designWidth, int32_t designHeight, uint32_t version);
    // The steps after the screen set-up: offsets, root item rectangle, default font, and the whole
    // window asked for at the first present.
    void InitCommonEnd();
    // Deletes everything the base owns (the derived destructor has released its surface).
    void DestroyRegistries();
    void DestroyTemplates();
    // Allocates the 32-bit surface of the design size (owned by the back end) and its dirty map.
    bool CreateSurface(int32_t width, int32_t height);
    void FreeSurface();
    // Runs the dirty-cell merge and draws each rectangle (Paint); tick thread. When anything was
    // drawn the main thread is asked to present it.
    void FlushDirtyCells();
    // Records a finished rectangle (design coordinates) for the next Present; under the lock.
    void QueuePresent(const DialogRect& rect);
    // Pushes the present event unless one is already waiting.
    void RequestPresent();
    // Copies rectangles of the surface into the window's pixels; main thread, under the lock.
    // What it copied is shown by ShowCopied, after the lock is left.
    void CopyToWindow(const DialogRect* rects, int32_t count, bool clearOutside);
    // Shows the window pixels CopyToWindow changed; main thread, outside the lock, because the
    // display server may take its time and the tick thread must not wait for it.
    void ShowCopied();
    void SetInitError(const char* text) { m_initError = text; }
    // Loader steps.
    bool ReadSectionHeader(int32_t section);
    bool ReadSectionRecord(int32_t section);
    void FinishLoading();
    void SetLoaderText(const char* text);
    int32_t InternPopupGroup(const char* name);
    // Navigation: focuses the first edit box of the current page.
    void FocusCurrentPage();
    // The frame of the popup-by-name operations: finds the popup and the page (a null or empty
    // page name is the current page), runs change(pageNumber, page, popupNumber, popup) when both
    // exist, then repaints and refocuses.
    template <class Change>
    void ChangePopupOnPage(const char* popupName, const char* pageName, Change change);

    // Page history (navigation).
    int32_t m_historyIndex = -1;
    std::vector<int32_t> m_pageHistory;
    // Registries; each owns its entries.
    CVector* m_images = nullptr;
    CVector* m_icons = nullptr;
    CVector* m_fonts = nullptr;
    CVector* m_templates = nullptr;
    CVector* m_sliderThumbs = nullptr;
    CVector* m_sounds = nullptr;
    CVector* m_popupGroups = nullptr;
    CVector* m_popups = nullptr;
    CVector* m_pages = nullptr;
    CVector* m_renderHandles = nullptr;
    // Start-up of the interface (loader). Every text the back end keeps (these and the popup
    // group names) is a StrDup copy, freed with delete[].
    char* m_startPageName = nullptr;
    CVector* m_startupPopups = nullptr;
    // Pointer capture.
    CDialogItem* m_heldItem = nullptr;
    int32_t m_pointerX = 0;
    int32_t m_pointerY = 0;
    CDialogEditBox* m_focusedEditBox = nullptr;
    // Loader state.
    LoaderSection* m_sections = nullptr; // SectionCount records (new[]) once loading has begun
    uint32_t m_recordTotal = 0;
    int32_t m_progress = 0;
    CInStream* m_loadStream = nullptr;
    // The parent of every page and popup; its rectangle is the design area.
    CDialogItem* m_rootItem = nullptr;
    // Output geometry.
    uint8_t m_displayFlags = 0;
    uint8_t m_fullScreen = 0;
    int32_t m_offsetX = 0;
    int32_t m_offsetY = 0;
    int32_t m_outputWidth = 0;
    int32_t m_outputHeight = 0;
    // Separates drawing from interface updates; mutable so that const readers can hold it.
    mutable CNerulanCriticalSection m_lock;
    // Sound. Starting the sound library (loading it, opening its device, its mixer's buffers) is
    // done by a thread of its own while the interface loads, not before the first tick; the
    // output is taken (the thread joined) at the end of loading or at the first use before.
    void JoinSoundStarter();
    std::thread m_soundStarter;
    CAbstractSoundOutput* m_soundOutput = nullptr;
    int32_t m_lastSoundId = 0;
    // Cleared once by the quit command; read by the tick thread.
    std::atomic<uint8_t> m_running{1};
    SDL_Window* m_window = nullptr;
    // Header over the pixels of the back end's surface (32 bits, B, G, R, A).
    CPixelBuffer* m_surface = nullptr;
    // One byte per 8 x 8 cell of the surface.
    CDirtyMap* m_dirtyMap = nullptr;
    uint8_t* m_surfacePixels = nullptr;

    // Presenting: rectangles (design coordinates) drawn but not yet copied to the window, and
    // whether a present event is already waiting in the main thread's queue.
    // At most kMaxPendingRects; past that the next present copies the whole surface.
    static constexpr size_t kMaxPendingRects = 1024;
    std::vector<DialogRect> m_pendingRects;
    bool m_pendingAll = false;
    std::atomic<bool> m_presentQueued{false};
    // Window rectangles copied but not yet shown; main thread only. Past
    // kMaxShownRects the whole window is shown.
    static constexpr size_t kMaxShownRects = 64;
    std::vector<DialogRect> m_copiedRects;
    bool m_copiedAll = false;
    const char* m_initError = "";
};

// The one back end of the run (set by the constructor, cleared by the destructor).
extern CAbstractDialogSystem* g_pDialogSystem;
// The interface file's format version (set by Init, read by the record readers).
extern uint32_t g_fileVersion;
// Screen resolution used for font sizes; fixed at 96.
extern int32_t g_screenDpiX;
extern int32_t g_screenDpiY;
