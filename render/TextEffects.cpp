#include "render/TextEffects.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "render/BlendTables.h"
#include "render/PixelBuffer.h"

namespace
{
// The largest kernel: a 9 x 9 glow moved 8 pixels, together with the 3 x 3 outline at the pixel.
constexpr int32_t kMaxKernelSide = 20;

struct KernelCells
{
    int32_t minX = 0, minY = 0, maxX = -1, maxY = -1;
    uint8_t cell[kMaxKernelSide * 2 + 1][kMaxKernelSide * 2 + 1] = {}; // indexed [dy + side][dx + side]

    void Put(int32_t dx, int32_t dy, uint8_t value)
    {
        if (value == 0)
            return;
        uint8_t& target = cell[dy + kMaxKernelSide][dx + kMaxKernelSide];
        target = std::max(target, value);
        if (maxX < minX)
        {
            minX = maxX = dx;
            minY = maxY = dy;
            return;
        }
        minX = std::min(minX, dx);
        maxX = std::max(maxX, dx);
        minY = std::min(minY, dy);
        maxY = std::max(maxY, dy);
    }
};

using RingValue = int32_t (*)(int32_t distance);

void AddOutline(KernelCells& cells, int32_t radius, int32_t ox, int32_t oy)
{
    for (int32_t dy = -radius; dy <= radius; ++dy)
    {
        for (int32_t dx = -radius; dx <= radius; ++dx)
        {
            const int32_t distance = std::abs(dx) + std::abs(dy);
            const uint8_t value = distance <= radius ? 255 : distance == radius + 1 ? 128 : 0;
            cells.Put(ox + dx, oy + dy, value);
        }
    }
}

void AddGlow(KernelCells& cells, int32_t reach, RingValue ring, int32_t ox, int32_t oy)
{
    for (int32_t dy = -reach; dy <= reach; ++dy)
    {
        for (int32_t dx = -reach; dx <= reach; ++dx)
            cells.Put(ox + dx, oy + dy, static_cast<uint8_t>(ring(std::max(std::abs(dx), std::abs(dy)))));
    }
}

int32_t GlowSmall(int32_t d)
{
    return 255 - 85 * d;
}
int32_t GlowMedium(int32_t d)
{
    return 250 - 50 * d;
}
int32_t GlowLarge(int32_t d)
{
    return d == 0 ? 255 : 36 * (7 - d);
}
int32_t GlowExtra(int32_t d)
{
    return d == 0 ? 255 : 32 * (8 - d);
}

enum ShadowFamily
{
    Soft,
    Medium,
    Hard,
};

void AddShadow(KernelCells& cells, ShadowFamily family, int32_t offset)
{
    if (family == Soft)
        AddGlow(cells, 4, GlowMedium, offset, offset);
    else if (family == Medium)
        AddGlow(cells, 2, GlowSmall, offset, offset);
    else
        cells.Put(offset, offset, 255);
}

// The cells of one effect code relative to the covered pixel.
void DescribeEffect(int32_t code, KernelCells& cells)
{
    static const int32_t kSoftOffsets[8] = {1, 2, 3, 4, 5, 5, 8, 8};
    if (code >= 1 && code <= 4)
        AddOutline(cells, code, 0, 0);
    else if (code == 5)
        AddGlow(cells, 2, GlowSmall, 0, 0);
    else if (code == 6)
        AddGlow(cells, 4, GlowMedium, 0, 0);
    else if (code == 7)
        AddGlow(cells, 6, GlowLarge, 0, 0);
    else if (code == 8)
        AddGlow(cells, 7, GlowExtra, 0, 0);
    else if (code >= 9 && code <= 16)
        AddShadow(cells, Soft, kSoftOffsets[code - 9]);
    else if (code >= 17 && code <= 32)
        AddShadow(cells, code <= 24 ? Medium : Hard, (code - 17) % 8 + 1);
    else if (code >= 33 && code <= 56)
    {
        const ShadowFamily family = code <= 40 ? Soft : code <= 48 ? Medium : Hard;
        AddShadow(cells, family, (code - 33) % 8 + 1);
        AddOutline(cells, 1, 0, 0);
    }
}

struct KernelTable
{
    TextEffectKernel rows[kTextEffectCount];
    uint8_t* storage[kTextEffectCount];

    KernelTable()
    {
        rows[0] = TextEffectKernel{1, 1, 0, 0, nullptr};
        storage[0] = nullptr;
        for (int32_t code = 1; code < kTextEffectCount; ++code)
        {
            KernelCells cells;
            DescribeEffect(code, cells);
            const int32_t width = cells.maxX - cells.minX + 1;
            const int32_t height = cells.maxY - cells.minY + 1;
            storage[code] = new uint8_t[static_cast<size_t>(width * height)];
            for (int32_t y = 0; y < height; ++y)
            {
                for (int32_t x = 0; x < width; ++x)
                    storage[code][y * width + x] =
                        cells.cell[cells.minY + y + kMaxKernelSide][cells.minX + x + kMaxKernelSide];
            }
            // Cell (origin - 1) is the covered pixel.
            rows[code] = TextEffectKernel{1 - cells.minX, 1 - cells.minY, height, width, storage[code]};
        }
    }
    ~KernelTable()
    {
        for (uint8_t* bytes : storage)
            delete[] bytes;
    }
};

const KernelTable& Kernels()
{
    static const KernelTable table;
    return table;
}

void StampKernel(CoverageMask* effect, const TextEffectKernel& kernel, int32_t px, int32_t py,
                 uint32_t coverage)
{
    const int32_t left = px - (kernel.originX - 1);
    const int32_t top = py - (kernel.originY - 1);
    const int32_t kx0 = std::max(0, -left);
    const int32_t ky0 = std::max(0, -top);
    const int32_t kx1 = std::min(kernel.width, effect->width - left);
    const int32_t ky1 = std::min(kernel.height, effect->height - top);
    for (int32_t ky = ky0; ky < ky1; ++ky)
    {
        const uint8_t* source = kernel.bytes + ky * kernel.width;
        uint8_t* target = effect->data + static_cast<size_t>(top + ky) * effect->width + left;
        for (int32_t kx = kx0; kx < kx1; ++kx)
        {
            const uint8_t value = static_cast<uint8_t>(source[kx] * coverage / 255);
            if (value > target[kx])
                target[kx] = value;
        }
    }
}
} // namespace

const TextEffectKernel* GetTextEffectKernel(int32_t effectCode)
{
    if (effectCode < 0 || effectCode >= kTextEffectCount)
        return nullptr;
    return &Kernels().rows[effectCode];
}

CoverageMask* ApplyTextEffect(int32_t effectCode, const CoverageMask* textMask)
{
    const TextEffectKernel* kernel = GetTextEffectKernel(effectCode);
    if (kernel == nullptr || textMask == nullptr)
        return nullptr;
    CoverageMask* effect = NewCoverageMask(textMask->width, textMask->height);
    if (effect == nullptr || kernel->bytes == nullptr)
        return effect;
    for (int32_t y = 0; y < textMask->height; ++y)
    {
        const uint8_t* row = textMask->data + static_cast<size_t>(y) * textMask->width;
        for (int32_t x = 0; x < textMask->width; ++x)
        {
            if (row[x] != 0)
                StampKernel(effect, *kernel, x, y, row[x]);
        }
    }
    return effect;
}

void DrawCoverage(const CoverageMask* mask, CPixelBuffer* buffer, int32_t x, int32_t y, uint32_t colour)
{
    if (mask == nullptr || buffer == nullptr || buffer->pixels == nullptr || g_BlendTables == nullptr)
        return;
    if ((colour >> 24) == 0 || (buffer->bitsPerPixel != 24 && buffer->bitsPerPixel != 32))
        return;
    const int32_t x0 = std::max(0, x);
    const int32_t y0 = std::max(0, y);
    const int64_t x1 = std::min<int64_t>(buffer->width, static_cast<int64_t>(x) + mask->width);
    const int64_t y1 = std::min<int64_t>(buffer->height, static_cast<int64_t>(y) + mask->height);
    if (x1 <= x0 || y1 <= y0)
        return;
    const uint8_t bytes[4] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                              static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 24)};
    const int32_t pixelBytes = buffer->bitsPerPixel / 8;
    for (int32_t row = y0; row < y1; ++row)
    {
        const uint8_t* coverage = mask->data + static_cast<size_t>(row - y) * mask->width + (x0 - x);
        uint8_t* pixel = buffer->Row(row) + static_cast<size_t>(x0) * pixelBytes;
        for (int32_t column = x0; column < x1; ++column, ++coverage, pixel += pixelBytes)
        {
            if (*coverage == 0)
                continue;
            // The coverage is the colour's alpha at the pixel: the blends of the pixel buffer.
            if (pixelBytes == 4)
                BlendPixel32(pixel, *coverage, bytes);
            else
                BlendPixel24(pixel, *coverage, bytes);
        }
    }
}
