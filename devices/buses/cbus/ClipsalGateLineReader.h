#pragma once
#include <cstdint>
#include <string>

class CInStream;

// One line of the C-Bus gateway server.
struct ClipsalGateLine
{
    enum Kind : uint8_t
    {
        Reply = 1, // a numbered reply: 200, or 320 from "320-..."
        Event = 2, // "#e#", "#s#" or "#c#"
    };
    Kind kind = Reply;
    int32_t code = 0;
    char eventClass = 0; // 'e', 's' or 'c'
    std::string text;    // after the first word's space, up to the CR
};

// Cuts the gateway server's text into lines ending in CR LF (a lone LF ends one too). The first
// word (up to the first space) says what the line is: "#e#", "#s#", "#c#" an event of that class;
// a word of three characters, or whose fourth is a dash, a numbered reply with the decimal number
// at its start. A line that is neither (a blank line, a first word without a space after it, any
// other word) is passed over, so the lines after it still come. An unfinished line longer than
// kMaxLine is dropped up to its end.
//
//     while (reader.Next(m_in, line)) Handle(line);
//
// No lock: the thread that appends to the stream is the one that reads.
class CClipsalGateLineReader
{
public:
    static constexpr int32_t kMaxLine = 2048;

    bool Next(CInStream& stream, ClipsalGateLine& line);
    void Reset() { m_dropping = false; }

    // Classifies a first word; false when it makes no line.
    static bool Classify(const char* word, size_t length, ClipsalGateLine& line);

private:
    bool m_dropping = false;
};
