// Picture bytes as they come from an image record of the interface file or from a camera: the
// size checks before decoding, the decoding, and the drawing of what was decoded.
#include <FreeImage.h>

#include <cstdint>

#include "render/BlendTables.h"
#include "render/PixelBuffer.h"
#include "render/Sprite.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FreeImage_Initialise(FALSE);
    BuildBlendTables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint32_t length = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
    int32_t width = 0;
    int32_t height = 0;
    // Pictures up to the ceilings (16 M pixels) decode, but slowly: the fuzzer leaves the large
    // ones to the tests of the ceilings and spends its time on the decoders' paths.
    if (CSprite::PeekImageSize(data, length, width, height) && int64_t{width} * height > 256 * 256)
        return 0;
    FIBITMAP* bitmap = CSprite::DecodeImage(data, length);
    if (bitmap == nullptr)
        return 0;
    // The sprite owns the bitmap now; every drawing pass reads its rows.
    CSprite sprite(1, "fuzz", bitmap);
    CPixelBuffer* buffer = CPixelBuffer::Create(40, 30);
    if (buffer != nullptr)
    {
        sprite.Draw(buffer, -3, 2);
        sprite.DrawFillTint(buffer, nullptr, 1, 1, -1, -1, 0xFF00FF00);
        sprite.DrawCutOut(buffer, nullptr, 0, 0, -1, -1, 0xFF000000);
        sprite.DrawBorderTint(buffer, nullptr, 2, -1, 20, 20, 0xFFFFFFFF);
        DrawImageScaled(bitmap, buffer, -1, -1);
        DrawImageScaled(bitmap, buffer, 40, 30);
        CPixelBuffer::Free(buffer);
    }
    return 0;
}
