#include "devices/buses/smartbus/SmartBusReply.h"

#include <cstring>

namespace
{
enum Module : uint8_t
{
    Source,
    Target,
};

struct Context
{
    const SmartBusFrame& frame;
    SmartBusReply& reply;

    void Add(Module module, uint8_t kind, uint8_t number, float value)
    {
        SmartBusUpdate update;
        update.subnet = module == Source ? frame.sourceSubnet : frame.targetSubnet;
        update.device = module == Source ? frame.sourceDevice : frame.targetDevice;
        update.kind = kind;
        update.number = number;
        update.value = value;
        reply.updates.push_back(std::move(update));
    }
    bool Has(int32_t bytes) const { return frame.contentLength >= bytes; }
    uint8_t C(int32_t index) const { return frame.content[index]; }

    // One update with number c[0] and value c[1], when both are there.
    void Pair(Module module, uint8_t kind)
    {
        if (Has(2))
            Add(module, kind, C(0), C(1));
    }
    // Numbers 1 to the content length with values c[0] onward.
    void Run(Module module, uint8_t kind)
    {
        for (int32_t i = 0; i < frame.contentLength && i < 255; ++i)
            Add(module, kind, static_cast<uint8_t>(i + 1), C(i));
    }
    // Numbers 1, 3, 4, 5, 6, 7 and 8 with the seven values from c[first].
    void Group(Module module, int32_t first)
    {
        static const uint8_t kNumbers[7] = {1, 3, 4, 5, 6, 7, 8};
        if (!Has(first + 7))
            return;
        for (int32_t i = 0; i < 7; ++i)
            Add(module, 12, kNumbers[i], C(first + i));
    }
    void Release(int32_t tag)
    {
        if (frame.IsForPanel())
            reply.releaseTag = tag;
    }
    void Audio()
    {
        smartbus::DecodeAudioText(frame.content, frame.contentLength, frame.sourceSubnet, frame.sourceDevice,
                                  reply.updates);
    }
};
} // namespace

void smartbus::DecodeReply(const SmartBusFrame& frame, SmartBusReply& reply)
{
    reply = SmartBusReply();
    Context x{frame, reply};
    switch (frame.opCode)
    {
    case 2:
        x.Pair(Target, 1);
        break;
    case 3:
        x.Pair(Source, 1);
        x.Release(2);
        break;
    case 13:
        x.Pair(Source, 1);
        x.Release(12);
        break;
    case 26:
        x.Pair(Target, 2);
        break;
    case 27:
        x.Pair(Source, 2);
        x.Release(26);
        break;
    case 49:
        x.Pair(Target, 3);
        break;
    case 50:
        if (x.Has(3) && x.C(1) == 0xF8)
            x.Add(Source, 3, x.C(0), x.C(2));
        x.Release(49);
        break;
    case 52:
    case 57:
        // Numbers 1 to c[0], as far as the values go.
        if (x.Has(1))
        {
            for (int32_t n = 1; n <= x.C(0) && n < frame.contentLength; ++n)
                x.Add(Source, 3, static_cast<uint8_t>(n), x.C(n));
        }
        x.Release(frame.opCode == 52 ? 51 : 56);
        break;
    case 260:
        x.Pair(Target, 15);
        break;
    case 261:
        x.Release(260);
        break;
    case 287:
        x.Pair(Source, 15);
        x.Release(286);
        break;
    case 537:
    case 539:
        x.Pair(Source, 16);
        x.Audio();
        x.Release(6446);
        break;
    case 6446:
    case 0xEF02:
        x.Audio();
        break;
    case 6447:
        x.Audio();
        x.Release(6446);
        break;
    case 6469:
        x.Run(Source, 12);
        x.Release(6468);
        break;
    case 6470:
        x.Group(Target, 0);
        break;
    case 6471:
        if (x.Has(1) && x.C(0) == 0xF8)
            x.Group(Source, 1);
        x.Release(6470);
        break;
    case 6473:
        if (x.Has(5))
        {
            uint32_t bits = static_cast<uint32_t>(x.C(1)) | static_cast<uint32_t>(x.C(2)) << 8 |
                            static_cast<uint32_t>(x.C(3)) << 16 | static_cast<uint32_t>(x.C(4)) << 24;
            float value;
            std::memcpy(&value, &bits, sizeof value);
            x.Add(Source, 14, x.C(0), value);
        }
        x.Release(6472);
        break;
    case 0xDB01:
        x.Run(Source, 10);
        x.Release(0xDB00);
        break;
    case 0xE015:
        x.Pair(Source, 2);
        x.Release(0xE014);
        break;
    case 0xE017:
        x.Run(Source, 5);
        break;
    case 0xE019:
        x.Pair(Source, 5);
        x.Release(0xE018);
        break;
    case 0xE01C:
        x.Pair(Target, 5);
        break;
    case 0xE01D:
        x.Pair(Source, 5);
        x.Release(0xE01C);
        break;
    case 0xE3D8:
        if (x.Has(1) && x.C(0) != 0)
            x.Pair(Target, 8);
        break;
    case 0xE3D9:
    case 0xE3DB:
        if (x.Has(1) && x.C(0) != 0)
            x.Pair(Source, 8);
        x.Release(frame.opCode == 0xE3D9 ? 0xE3D8 : 0xE3DA);
        break;
    case 0xE3E0:
        x.Pair(Target, 6);
        break;
    case 0xE3E1:
    case 0xE3E3:
        x.Pair(Source, 6);
        x.Release(frame.opCode == 0xE3E1 ? 0xE3E0 : 0xE3E2);
        break;
    case 0xE3E4:
        x.Run(Source, 6);
        break;
    case 0xE3E5:
        x.Release(0xE3E4);
        break;
    case 0xE3E8:
        x.Pair(Source, 9);
        x.Release(0xE3E7);
        break;
    case 0xEFFF:
        if (x.Has(1))
        {
            for (int32_t n = 1; n <= x.C(0) && n < frame.contentLength; ++n)
                x.Add(Source, 1, static_cast<uint8_t>(n), x.C(n) == 254 ? 254.0f : 0.0f);
        }
        break;
    case 0xF036:
        x.Run(Source, 2);
        break;
    case 0xF113:
        x.Pair(Source, 4);
        x.Release(0xF112);
        break;
    case 0xF116:
        x.Pair(Target, 4);
        break;
    case 0xF117:
        x.Pair(Source, 4);
        x.Release(0xF116);
        break;
    case 0xF12F:
        x.Run(Source, 4);
        break;
    default:
        break;
    }
}

bool smartbus::ReadText(const uint8_t* bytes, int32_t length, std::u16string& text)
{
    text.clear();
    if (!bytes || length < 1)
        return false;
    if (bytes[0] == 0x02)
    {
        for (int32_t i = 1; i + 1 < length && text.size() < kMaxText; i += 2)
        {
            const char16_t unit = static_cast<char16_t>(bytes[i] << 8 | bytes[i + 1]);
            if (unit == 0x0003 || unit == 0x0000)
                break;
            text.push_back(unit);
        }
        return true;
    }
    if (bytes[0] == '"')
    {
        for (int32_t i = 1; i < length && text.size() < kMaxText; ++i)
        {
            if (bytes[i] == '"' || bytes[i] == 0)
                break;
            // Zero-extended: a byte above 0x7F is the character of that code, never a negative one.
            text.push_back(static_cast<char16_t>(bytes[i]));
        }
        return true;
    }
    return false;
}
