#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct ClipsalHvacZone;

// A status event line of the gateway server ("#s# lighting on //P/254/56/1 #sourceunit=12"),
// read from the text after its class word.
struct ClipsalGateEvent
{
    static constexpr size_t kMaxValues = 16;

    std::string applicationName;
    std::string eventWord;
    uint8_t command = 0; // the event word's code; 0 for a word not known
    int32_t level = 0;   // 255 for on, 0 otherwise
    // The address; `addressed` is false when it is missing or a number in it is past 255.
    bool addressed = false;
    std::string project;
    uint8_t network = 0;
    uint8_t application = 0;
    uint8_t group = 0;
    int32_t values[kMaxValues] = {};
    size_t valueCount = 0;

    int32_t Value(size_t i) const { return i < valueCount ? values[i] : 0; }
    // Parses the text; false when it holds no event word.
    bool Parse(const std::string& text);
};

// The texts the gateway driver reads and sends.
namespace ClipsalGateText
{
// The code of an event word ("on" 0x79, "ramp" 2, ...); 0 when not known.
uint8_t EventCode(const std::string& word);
// The application of an event's application name ("lighting" 0x38, ...); 0 when not known.
uint8_t ApplicationCode(const std::string& name);
// A "Network" line of a 320 reply: the network number and state code (1 ok, 2 sync, 0 error,
// 3 new; 255 for another state). False when the line holds no network.
bool ParseNetworkLine(const std::string& text, uint8_t& network, uint8_t& state);

std::string OnOff(const std::string& project, uint8_t network, uint8_t application, uint8_t group, bool on);
std::string Ramp(const std::string& project, uint8_t network, uint8_t application, uint8_t group,
                 uint8_t level);
// The aircon command for a zone after a change to field `index` (data 0 picks the hvac or
// humidity form); empty when the field sends nothing.
std::string Aircon(const std::string& project, uint8_t network, const ClipsalHvacZone& zone, uint8_t index,
                   uint8_t data0, uint8_t data1);
// "0" and ",n" for each set bit n (0 to 5) of the zone list.
std::string ZoneList(uint8_t zones);
} // namespace ClipsalGateText
