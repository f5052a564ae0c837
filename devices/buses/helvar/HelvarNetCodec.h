#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The HelvarNet text protocol of the Helvar lighting routers, without any link: messages
// ">V:1,C:<command>,<address>[,<arguments>,F:<fade>]#" (on the routers' internal link behind
// "<Q:<sequence>,"), and the fields of their replies "?V:1,C:...=<result>#" ("!" for an error).
//
//   std::string out = CHelvarNetCodec::Begin(false, 0);
//   CHelvarNetCodec::WriteMessage(out, target, false);   // ">V:1,C:13,G:5,L:50,F:100#"
//   HelvarNetReply reply;
//   if (CHelvarNetCodec::ParseReply(text, length, reply) && reply.command == 152) ...

// What a message is about, and the arguments a command carries.
struct HelvarNetTarget
{
    uint8_t command = 0;
    uint32_t group = 0;      // group commands 11, 13, 15, 17
    uint8_t address[4] = {}; // every other command: cluster, router, subnet, device
    uint8_t k = 0;           // command 11
    uint8_t block = 0;       // commands 11 and 12
    uint8_t scene = 0;       // commands 11 and 12
    int32_t value = 0;       // level (13, 14) or proportion (15 to 18)
    uint32_t fade = 0;
};

// The fields of one reply; those the command does not carry stay 0.
struct HelvarNetReply
{
    bool error = false; // the reply began with '!'
    int32_t command = 0;
    uint8_t address[4] = {};
    int32_t group = 0;
    int32_t result = 0;
    int32_t level = 0;
    int32_t block = 0;
    int32_t scene = 0;
};

class CHelvarNetCodec
{
public:
    // The longest reply kept while its '#' has not arrived.
    static constexpr int32_t kMaxReply = 512;

    static bool IsGroupCommand(uint32_t command);
    // The start of a message: nothing, or "<Q:" sequence "," on the internal link.
    static std::string Begin(bool internal, uint32_t sequence);
    // Appends the message for a command (query: no arguments and no fade) up to its '#'.
    static void WriteMessage(std::string& out, const HelvarNetTarget& target, bool query);
    // Reads the fields of a reply (from its start character to its '#', either included or not).
    // False when it carries nothing: no "V:1".
    static bool ParseReply(const char* text, size_t length, HelvarNetReply& reply);
};
