#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Fills a value into a path pattern of the interface file ("/level?v=%d"). The pattern is never
// handed to printf as it stands: it is read here, and only a pattern with exactly one integer
// conversion ("%d", "%i", "%u", "%x", "%X", "%o", with flags, a width and a precision of at
// most two digits each, and any length letters, which are ignored) gets the value; "%%" is a
// percent sign then. Any other pattern (no conversion, two, "%s", "%n", a bad one) is plain text
// and comes out as it stands.
class CHttpValueFormat
{
public:
    // True when the value was filled in; false when the pattern is used as plain text.
    static bool Format(const char* pattern, size_t length, int32_t value, std::string& out);
};
