#pragma once
#include <memory>

#include "common/DynamicSpriteData.h"

// The options of the "^RAF-" and "^RMF-" panel commands, which add or change a dynamic image:
// "%p" protocol number, "%u" user, "%s" password, "%h" host[:port], "%f" file, "%a" path, "%r"
// refresh period in seconds, "%n" a further number, "%v" a flag. Each option is looked for
// anywhere in the text, in either case, independently of the others; texts run to the next "%"
// or the end. The record's mask tells which fields were given. Null for a null or empty text.
std::unique_ptr<CDynamicSpriteData> ParseResourceOptions(const char* text);
