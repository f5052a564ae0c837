#pragma once
#include <cstdint>
#include <string>

struct SDL_Surface;
struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace platform
{
// Draws the prompt's few lines of text with FreeType before any interface font exists. It looks
// for "arial.ttf" in the current directory, then for Liberation Sans at its system path; with
// neither it measures every text as 0 wide and draws nothing, and the prompt still works.
class PromptTextPainter
{
public:
    static constexpr const char* kLocalFont = "arial.ttf";
    static constexpr const char* kSystemFont =
        "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";

    explicit PromptTextPainter(int32_t pixelHeight);
    ~PromptTextPainter();
    PromptTextPainter(const PromptTextPainter&) = delete;
    PromptTextPainter& operator=(const PromptTextPainter&) = delete;

    // Tries the font files in order; false when none could be opened.
    bool Load();
    bool HasFace() const { return m_face != nullptr; }

    int32_t Measure(const std::u16string& text);
    int32_t LineHeight() const { return m_lineHeight; }
    int32_t Ascent() const { return m_ascent; }

    // Draws the text with its top-left corner at (x, y) in a 32-bit surface, blended over what is
    // there and clipped to the surface's clip rectangle. rgb: 0xRRGGBB.
    void Draw(SDL_Surface* surface, int32_t x, int32_t y, const std::u16string& text, uint32_t rgb);

private:
    bool LoadFrom(const char* path);
    uint32_t NextCodePoint(const std::u16string& text, size_t& i) const;

    int32_t m_pixelHeight;
    FT_LibraryRec_* m_library = nullptr;
    FT_FaceRec_* m_face = nullptr;
    int32_t m_lineHeight;
    int32_t m_ascent;
};
} // namespace platform
