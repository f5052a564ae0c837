// make-demo DIR [PORT]: writes a demo interface into DIR: "Main.qvr" (three pages, popups in a
// group, one that fades and slides, buttons with text, images and frame templates, a slider and a
// multi-state slider, four lights switched through a byte-string device on 127.0.0.1:PORT),
// "resource.qvs" (frame templates and slider thumbs), "click.wav" and "arial.ttf" (Liberation
// Sans). Everything is made here in code. scripts/demo-peer.py answers the lights (the default
// port is the one it listens on).
#include <FreeImage.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/writer/ButtonRecordWriter.h"
#include "tools/writer/InterfaceFileWriter.h"
#include "tools/writer/ItemRecordWriter.h"
#include "tools/writer/ListEditRecordWriter.h"
#include "tools/writer/PageRecordWriter.h"
#include "tools/writer/ResourceRecordWriter.h"
#include "tools/writer/SliderRecordWriter.h"

namespace
{
using ItemRecordWriter::StateRecord;
using PageRecordWriter::ChildRecord;
using PageRecordWriter::PageRecord;
using PageRecordWriter::PopupRecord;

const char* const kFontPath = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr uint16_t kWidth = 800;
constexpr uint16_t kHeight = 600;
constexpr uint32_t kTitleFont = 1;
constexpr uint32_t kBodyFont = 0xFFFF; // the default font, "arial.ttf"
constexpr uint32_t kSunImage = 10;
constexpr uint32_t kBulbImage = 11;
constexpr uint32_t kHomeIcon = 20;
// The colour scale of the Climate page: icons kScaleIcon .. kScaleIcon + kScaleSteps - 1.
constexpr uint32_t kScaleIcon = 100;
constexpr int kScaleSteps = 120;
constexpr int kScaleColumns = 30;
constexpr uint32_t kChimeSound = 1;
constexpr int kTemplateCount = 8;

// The lights' device: a byte-string device over TCP on the loopback address. Each light's button
// sends "<NAME> TOGGLE\r\n"; the equipment answers "<NAME>=ON\r\n" or "<NAME>=OFF\r\n", and
// those patterns set the button's state by its item id.
constexpr uint16_t kDefaultLightsPort = 50361;
constexpr uint32_t kLightsDevice = 1;
constexpr uint32_t kCustomTcpDevice = 0x61;
constexpr uint8_t kCustomPress = 1;
constexpr uint8_t kCustomFeedback = 3;
constexpr uint8_t kReportStateById = 59;
constexpr int kLights = 4;
const char* const kLightNames[kLights] = {"Kitchen", "Hall", "Living", "Garden"};
const char* const kLightWords[kLights] = {"KITCHEN", "HALL", "LIVING", "GARDEN"};
const char* const kLightsOff[kLights] = {"Kitchen: off", "Hall: off", "Living: off", "Garden: off"};
const char* const kLightsOn[kLights] = {"Kitchen: on", "Hall: on", "Living: on", "Garden: on"};
// Channels of light i: its press, its "on" pattern and its "off" pattern.
constexpr uint32_t kPressChannel = 10;
constexpr uint32_t kOnChannel = 20;
constexpr uint32_t kOffChannel = 30;

// Colours 0xRRGGBBAA.
constexpr uint32_t kInk = 0xF2EBD3FF;
constexpr uint32_t kGold = 0xDDD89CFF;
constexpr uint32_t kButton = 0x2E4A62FF;
constexpr uint32_t kButtonDown = 0x4F7CA3FF;

// A picture drawn pixel by pixel and encoded as PNG.
template <class Fn> std::vector<uint8_t> EncodePicture(int width, int height, Fn colourAt)
{
    std::vector<uint8_t> png;
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, 32);
    if (!bitmap)
        return png;
    for (int y = 0; y < height; y++)
    {
        // FreeImage rows run bottom-up.
        BYTE* row = FreeImage_GetScanLine(bitmap, height - 1 - y);
        for (int x = 0; x < width; x++)
        {
            uint32_t argb = colourAt(x, y);
            row[x * 4 + FI_RGBA_BLUE] = static_cast<BYTE>(argb);
            row[x * 4 + FI_RGBA_GREEN] = static_cast<BYTE>(argb >> 8);
            row[x * 4 + FI_RGBA_RED] = static_cast<BYTE>(argb >> 16);
            row[x * 4 + FI_RGBA_ALPHA] = static_cast<BYTE>(argb >> 24);
        }
    }
    FIMEMORY* memory = FreeImage_OpenMemory();
    if (memory && FreeImage_SaveToMemory(FIF_PNG, bitmap, memory, 0))
    {
        BYTE* data = nullptr;
        DWORD size = 0;
        if (FreeImage_AcquireMemory(memory, &data, &size))
            png.assign(data, data + size);
    }
    if (memory)
        FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    return png;
}

// A round disc of colour on a transparent ground, with a soft edge.
std::vector<uint8_t> Disc(int size, uint32_t rgb)
{
    return EncodePicture(size, size,
                         [size, rgb](int x, int y)
                         {
                             double r = size / 2.0;
                             double d = std::hypot(x + 0.5 - r, y + 0.5 - r);
                             double a = std::fmax(0.0, std::fmin(1.0, r - d));
                             return static_cast<uint32_t>(a * 255.0) << 24 | rgb;
                         });
}

// From cold blue through green to warm red along the scale.
uint32_t ScaleColour(int step)
{
    double t = static_cast<double>(step) / (kScaleSteps - 1);
    auto channel = [](double v) { return static_cast<uint32_t>(std::fmax(0.0, std::fmin(1.0, v)) * 255.0); };
    return channel(2.0 * t - 0.6) << 16 | channel(1.0 - std::fabs(2.0 * t - 1.0)) << 8 |
           channel(1.2 - 2.0 * t);
}

StateRecord Look(uint32_t fill, const char* text = nullptr, uint32_t border = 0, uint32_t fontId = kBodyFont)
{
    StateRecord state;
    state.fillColor = fill;
    state.text = text;
    state.textColor = kInk;
    state.fontId = fontId;
    state.border = border;
    state.borderColor = kGold;
    return state;
}

ChildRecord Box(const char* name, int16_t x, int16_t y, uint16_t w, uint16_t h,
                std::vector<StateRecord> states)
{
    ChildRecord child;
    child.name = name;
    child.type = 0;      // plain button
    child.behaviour = 4; // momentary: the pressed look while held
    child.item.x = x;
    child.item.y = y;
    child.item.width = w;
    child.item.height = h;
    child.item.states = std::move(states);
    return child;
}

// A button with a frame, a pressed look, and one release action.
ChildRecord Button(const char* text, int16_t x, int16_t y, uint16_t w, uint16_t h, uint8_t flip,
                   const char* target, uint32_t frame = 2)
{
    ChildRecord child = Box(text, x, y, w, h, {Look(kButton, text, frame), Look(kButtonDown, text, frame)});
    child.item.flipCommands.push_back({flip, target});
    return child;
}

ChildRecord Title(const char* text, uint32_t fill)
{
    ChildRecord child = Box("title", 0, 0, kWidth, 70, {Look(fill, text, 0, kTitleFont)});
    child.item.states[0].textColor = kGold;
    child.behaviour = 0;
    child.secondBehaviour = 2; // never hit: the title takes no touch
    return child;
}

ChildRecord Picture(const char* name, int16_t x, int16_t y, uint16_t size, uint32_t imageId)
{
    StateRecord state = Look(0x00000000);
    state.bitmapId = imageId;
    ChildRecord child = Box(name, x, y, size, size, {state});
    child.behaviour = 0;
    return child;
}

// The same navigation row on every page.
void AddNavigation(std::vector<ChildRecord>& children)
{
    const int16_t y = 520;
    children.push_back(Button("Home", 20, y, 140, 56, 1, "Home", 1));
    children.push_back(Button("Lights", 180, y, 140, 56, 1, "Lights", 1));
    children.push_back(Button("Climate", 340, y, 140, 56, 1, "Climate", 1));
    children.push_back(Button("Back", 500, y, 120, 56, 2, nullptr, 1));
    children.push_back(Button("Scenes", 640, y, 140, 56, 3, "Scenes", 1));
}

PageRecord MakePage(const char* name, uint32_t fill, const char* title)
{
    PageRecord page;
    page.name = name;
    page.state = Look(fill);
    page.children.push_back(Title(title, 0x00000040));
    return page;
}

// A list of rooms that scrolls (a tap on "Lights" or "Climate" opens that page) and an edit box
// that the controller types into.
void AddListAndEditBox(std::vector<ChildRecord>& children)
{
    ListEditRecordWriter::ListBoxRecord list;
    list.rowSize = 46;
    list.indent = 8;
    list.item.x = 480;
    list.item.y = 270;
    list.item.width = 300;
    list.item.height = 230;
    StateRecord background = Look(0x0F1A26FF);
    StateRecord row = Look(kButton, nullptr, 1);
    row.textAlignment = 4;
    StateRecord selected = Look(0x3C6E4FFF, nullptr, 1);
    selected.textAlignment = 4;
    StateRecord tapped = Look(kButtonDown, nullptr, 1);
    tapped.textAlignment = 4;
    list.item.states = {background, row, selected, tapped};
    const char* const rooms[] = {"Living room", "Kitchen", "Lights", "Bedroom", "Climate",
                                 "Office",      "Garden",  "Garage", "Hall",    "Bath"};
    for (const char* room : rooms)
    {
        ListEditRecordWriter::ListBoxRow entry;
        entry.text = room;
        if (std::string(room) == "Lights" || std::string(room) == "Climate")
            entry.flips.push_back({1, room});
        list.rows.push_back(entry);
    }
    list.rows[0].selected = 1;
    ChildRecord listChild = ListEditRecordWriter::ListBox(CInterfaceFileWriter::kCurrentVersion, 0, list);
    listChild.name = "rooms";
    children.push_back(listChild);

    ListEditRecordWriter::EditBoxRecord edit;
    edit.maximum = 32;
    edit.item.x = 260;
    edit.item.y = 344;
    edit.item.width = 200;
    edit.item.height = 64;
    edit.item.states = {Look(0x0F1A26FF, nullptr, 2), Look(0x16283AFF, nullptr, 2)};
    ChildRecord editChild = ListEditRecordWriter::EditBox(CInterfaceFileWriter::kCurrentVersion, 0, edit);
    editChild.name = "note";
    children.push_back(editChild);
}

// The panel numbers its items in the order it makes them, from 1, with 0xFF in the top byte:
// the root item, the Loading page with its splash picture (the built-in one) and progress bar,
// then each page and its children, in file order.
constexpr uint32_t kItemsBeforePages = 4;
uint32_t ItemId(uint32_t made)
{
    return 0xFF000000u | made;
}

std::vector<PageRecord> Pages()
{
    PageRecord home = MakePage("Home", 0x1B2A3AFF, "Nerulan demo");
    home.children.push_back(Picture("sun", 600, 100, 160, kSunImage));
    {
        StateRecord welcome = Look(0x00000000, "Welcome home.|Touch a button below.", 0);
        welcome.textAlignment = 4;
        welcome.wordWrap = 1;
        ChildRecord text = Box("welcome", 40, 110, 520, 120, {welcome});
        text.behaviour = 0;
        text.secondBehaviour = 2;
        home.children.push_back(text);
    }
    home.children.push_back(Button("About", 40, 260, 200, 64, 3, "About"));
    home.children.push_back(Button("Scenes", 260, 260, 200, 64, 3, "Scenes"));
    home.children.push_back(Button("Hide popups", 40, 344, 200, 64, 8, nullptr, 3));
    AddListAndEditBox(home.children);
    AddNavigation(home.children);

    PageRecord lights = MakePage("Lights", 0x1F3325FF, "Lights");
    for (int i = 0; i < kLights; i++)
    {
        int16_t x = static_cast<int16_t>(40 + i * 185);
        lights.children.push_back(Picture(kLightNames[i], static_cast<int16_t>(x + 45), 110, 80, kBulbImage));
        // A touch sends the light's command; the look follows what the equipment reports.
        ChildRecord button = Box(kLightNames[i], x, 210, 170, 70,
                                 {Look(kButton, kLightsOff[i], 4), Look(0xC9A227FF, kLightsOn[i], 4)});
        button.behaviour = 0;
        button.item.addresses.push_back(kLightsDevice << 16 | (kPressChannel + static_cast<uint32_t>(i)));
        lights.children.push_back(button);
    }
    {
        // A switch: each touch toggles its value between 0 and 1, and its look follows the value.
        ChildRecord night = Box("Night mode", 40, 320, 220, 70,
                                {Look(kButton, "Night mode: off", 4), Look(0xC9A227FF, "Night mode: on", 4)});
        lights.children.push_back(ButtonRecordWriter::ValueButton(CInterfaceFileWriter::kCurrentVersion, 11,
                                                                  1, 0.0f, 1.0f, night.item));
        lights.children.back().name = "Night mode";
    }
    {
        // A dimmer: a framed track, a gold fill up to the level and the pack's first thumb.
        SliderRecordWriter::SliderFields fields;
        fields.low = 0;
        fields.high = 100;
        fields.thumb = 1;
        fields.thumbColor = 0xF0F0F0FF;
        ChildRecord dimmer = SliderRecordWriter::Slider(CInterfaceFileWriter::kCurrentVersion, 1, fields, 300,
                                                        330, 280, 50, kButton, 0xC9A227FF);
        dimmer.name = "Dimmer";
        dimmer.item.states[0].border = 2;
        dimmer.item.states[0].borderColor = kGold;
        dimmer.ownRecord = SliderRecordWriter::SliderRecord(CInterfaceFileWriter::kCurrentVersion, true,
                                                            fields, dimmer.item);
        lights.children.push_back(dimmer);

        // A fan speed: four looks, one per quarter of the range, moved by dragging relative to
        // where the finger went down.
        fields.thumb = 0;
        ChildRecord fan = SliderRecordWriter::MultiStateSlider(CInterfaceFileWriter::kCurrentVersion, 3,
                                                               fields, 600, 330, 170, 50, {});
        fan.name = "Fan";
        const char* speeds[] = {"Fan: off", "Fan: low", "Fan: mid", "Fan: high"};
        const uint32_t fills[] = {kButton, 0x3B5B7AFF, 0x5A7FA3FF, 0xC9A227FF};
        for (int i = 0; i < 4; i++)
            fan.item.states.push_back(Look(fills[i], speeds[i], 4));
        fan.ownRecord =
            SliderRecordWriter::SliderRecord(CInterfaceFileWriter::kCurrentVersion, false, fields, fan.item);
        lights.children.push_back(fan);
    }
    AddNavigation(lights.children);

    PageRecord climate = MakePage("Climate", 0x3A1F1FFF, "Climate");
    const char* modes[] = {"Comfort", "Eco", "Away"};
    for (int i = 0; i < 3; i++)
    {
        StateRecord look = Look(kButton, modes[i], 5);
        look.iconId = kHomeIcon;
        look.iconAlignment = 0; // at the stored offsets
        look.iconX = 14;
        look.iconY = 33;
        climate.children.push_back(Box(modes[i], static_cast<int16_t>(40 + i * 250), 140, 220, 90,
                                       {look, Look(kButtonDown, modes[i], 5)}));
    }
    climate.children.push_back(Button("Show the clock", 40, 300, 260, 64, 5, "Clock", 6));
    for (int i = 0; i < kScaleSteps; i++)
    {
        StateRecord dot = Look(0x00000000);
        dot.iconId = kScaleIcon + static_cast<uint32_t>(i);
        ChildRecord cell = Box("scale", static_cast<int16_t>(25 + (i % kScaleColumns) * 25),
                               static_cast<int16_t>(385 + (i / kScaleColumns) * 25), 24, 24, {dot});
        cell.behaviour = 0;
        cell.secondBehaviour = 2;
        climate.children.push_back(cell);
    }
    AddNavigation(climate.children);
    return {home, lights, climate};
}

std::vector<PopupRecord> Popups()
{
    // Two popups of one group: showing one hides the other.
    PopupRecord scenes;
    scenes.name = "Scenes";
    scenes.group = "Dialogs";
    scenes.x = 200;
    scenes.y = 120;
    scenes.width = 400;
    scenes.height = 300;
    scenes.state = Look(0x24313EF0, nullptr, 8);
    scenes.children.push_back(Title("Scenes", 0x00000000));
    scenes.children[0].item.width = 400;
    scenes.children[0].item.height = 60;
    scenes.children.push_back(Button("Evening", 30, 80, 160, 60, 4, "Scenes"));
    scenes.children.push_back(Button("Morning", 210, 80, 160, 60, 4, "Scenes"));
    scenes.children.push_back(Button("About...", 30, 160, 160, 60, 3, "About"));
    scenes.children.push_back(Button("Close", 210, 220, 160, 60, 4, "Scenes", 3));

    PopupRecord about = scenes;
    about.name = "About";
    // It fades in while it slides down from the top of the screen, and fades out while it slides
    // off to the right.
    about.effects = {{1, 0, 400}, {4, 8 | 4 | 2, 400}, {2, 0, 300}, {3, 4 | 1, 300}};
    about.children.clear();
    about.children.push_back(Title("About", 0x00000000));
    about.children[0].item.width = 400;
    about.children[0].item.height = 60;
    {
        StateRecord text = Look(0x00000000, "Nerulan touch panel|demo interface", 0);
        ChildRecord body = Box("text", 20, 80, 360, 100, {text});
        body.behaviour = 0;
        body.secondBehaviour = 2;
        about.children.push_back(body);
    }
    about.children.push_back(Button("Close", 120, 220, 160, 60, 4, "About", 3));

    // Shown at start-up; hides itself 6 s after it was last touched.
    PopupRecord clock;
    clock.name = "Clock";
    clock.autoHideMs = 6000;
    clock.x = 560;
    clock.y = 290;
    clock.width = 220;
    clock.height = 160;
    clock.state = Look(0x10161CE0, nullptr, 7);
    clock.children.push_back(Picture("clock face", 70, 10, 80, kBulbImage));
    {
        ChildRecord label = Box("label", 10, 100, 200, 50, {Look(0x00000000, "Good day", 0)});
        label.behaviour = 0;
        clock.children.push_back(label);
    }
    return {scenes, about, clock};
}

// The lights' device, its channels pointing at the light buttons by the ids they will get.
CInterfaceFileWriter::Device LightsDevice(const std::vector<PageRecord>& pages, uint16_t port)
{
    CInterfaceFileWriter::Device device;
    device.id = kLightsDevice;
    device.type = kCustomTcpDevice;
    device.host = "127.0.0.1";
    device.port = port;
    uint32_t made = kItemsBeforePages;
    for (const PageRecord& page : pages)
    {
        made++;
        for (const ChildRecord& child : page.children)
        {
            made++;
            for (int i = 0; i < kLights; i++)
            {
                if (child.item.addresses.empty() || std::string(child.name) != kLightNames[i])
                    continue;
                const std::string word = kLightWords[i];
                const uint32_t n = static_cast<uint32_t>(i);
                device.channels.push_back(
                    {kPressChannel + n, 0, 0, 0,
                     CInterfaceFileWriter::CustomChannelBlob(kCustomPress, 0, 0, word + " TOGGLE\r\n")});
                device.channels.push_back({kOnChannel + n, 0, kReportStateById, 0,
                                           CInterfaceFileWriter::CustomChannelBlob(
                                               kCustomFeedback, ItemId(made), 1, word + "=ON\r\n")});
                device.channels.push_back({kOffChannel + n, 0, kReportStateById, 0,
                                           CInterfaceFileWriter::CustomChannelBlob(
                                               kCustomFeedback, ItemId(made), 0, word + "=OFF\r\n")});
            }
        }
    }
    return device;
}

std::vector<uint8_t> InterfaceFile(const std::vector<uint8_t>& fontFile, uint16_t port, uint32_t& records)
{
    CInterfaceFileWriter w;
    CInterfaceFileWriter::Header header;
    header.designWidth = kWidth;
    header.designHeight = kHeight;
    w.PutHeader(header);

    std::vector<PageRecord> pages = Pages();
    std::vector<PopupRecord> popups = Popups();
    w.PutDeviceTable({LightsDevice(pages, port)});
    const std::vector<const char*> startup = {"Clock"};
    uint32_t total =
        static_cast<uint32_t>(startup.size() + 2 + 1 + kScaleSteps + 1 + 1 + pages.size() + popups.size());
    records = total;
    w.PutResourceStart(total, "Home", startup);

    w.PutCount(2);
    ResourceRecordWriter::PutImage(w, kSunImage, "sun", 160, 160, Disc(160, 0xF5B82E));
    ResourceRecordWriter::PutImage(w, kBulbImage, "bulb", 80, 80, Disc(80, 0xFFF4B0));
    w.PutCount(1 + kScaleSteps);
    ResourceRecordWriter::PutImage(w, kHomeIcon, "dot", 24, 24, Disc(24, 0xDDD89C));
    for (int i = 0; i < kScaleSteps; i++)
        ResourceRecordWriter::PutImage(w, kScaleIcon + static_cast<uint32_t>(i), "scale", 24, 24,
                                       Disc(24, ScaleColour(i)));
    w.PutCount(1);
    ResourceRecordWriter::PutFont(w, kTitleFont, "Liberation Sans", 28, fontFile);
    w.PutCount(1);
    ResourceRecordWriter::PutSound(w, kChimeSound, ResourceRecordWriter::ToneWave(22050, 250, 660.0));
    w.PutCount(static_cast<uint16_t>(pages.size()));
    for (const PageRecord& page : pages)
        PageRecordWriter::PutPage(w, page);
    w.PutCount(static_cast<uint16_t>(popups.size()));
    for (const PopupRecord& popup : popups)
        PageRecordWriter::PutPopup(w, popup);
    return w.Bytes();
}

std::vector<uint8_t> ResourcePack()
{
    ResourceRecordWriter::CResourcePackWriter pack;
    // Frame templates 1 to 8 (template 7 frames the Loading page's progress bar).
    for (int i = 1; i <= kTemplateCount; i++)
        pack.PutTemplate(static_cast<uint32_t>(i),
                         ResourceRecordWriter::SolidFrameTemplate(i == 7 ? 2 : 1 + i % 4));
    pack.PutThumb(1, ResourceRecordWriter::SolidThumb(16));
    pack.PutThumb(1, ResourceRecordWriter::SolidThumb(24));
    return pack.Bytes();
}
} // namespace

int main(int argc, char** argv)
{
    long port = argc == 3 ? std::strtol(argv[2], nullptr, 10) : kDefaultLightsPort;
    if ((argc != 2 && argc != 3) || port <= 0 || port > 65535)
    {
        std::fprintf(stderr, "usage: %s DIR [PORT]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code made;
    std::filesystem::create_directories(dir, made);
    std::vector<uint8_t> font = ResourceRecordWriter::ReadFile(kFontPath);
    if (font.empty())
    {
        std::fprintf(stderr, "make-demo: %s cannot be read\n", kFontPath);
        return 1;
    }
    FreeImage_Initialise(FALSE);
    uint32_t records = 0;
    std::vector<uint8_t> file = InterfaceFile(font, static_cast<uint16_t>(port), records);
    FreeImage_DeInitialise();
    bool ok = ResourceRecordWriter::WriteFile(dir + "/Main.qvr", file) &&
              ResourceRecordWriter::WriteFile(dir + "/resource.qvs", ResourcePack()) &&
              ResourceRecordWriter::WriteFile(dir + "/click.wav",
                                              ResourceRecordWriter::ToneWave(22050, 40, 1200.0)) &&
              ResourceRecordWriter::WriteFile(dir + "/arial.ttf", font);
    if (!ok)
    {
        std::fprintf(stderr, "make-demo: cannot write into %s\n", dir.c_str());
        return 1;
    }
    std::printf("demo interface written to %s (%u records)\n", dir.c_str(), records);
    return 0;
}
