#pragma once
#include <string>

// File names written on Windows, where letter case does not matter, opened on a file system where
// it does.
namespace platform
{
// The path of an existing file or folder whose name matches `path` component by component,
// ASCII letters compared without case: a component that exists as written is kept, else the
// first entry of its folder (in byte order) that matches ignoring case. "" when some component
// has no match. "/" separates components; a relative path starts at the current folder.
std::string FindFileIgnoringCase(const std::string& path);
} // namespace platform
