#include "platform/FileNames.h"

#include <dirent.h>
#include <sys/stat.h>

namespace
{
bool Exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringAsciiCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
    {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// The entry of the folder that matches the name ignoring case, the smallest in byte order so that
// the answer does not depend on the order the folder lists them; "" when none does.
std::string MatchInFolder(const std::string& folder, const std::string& name)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return "";
    std::string best;
    while (const struct dirent* entry = ::readdir(dir))
    {
        if (SameIgnoringAsciiCase(name, entry->d_name) && (best.empty() || best > entry->d_name))
            best = entry->d_name;
    }
    ::closedir(dir);
    return best;
}
} // namespace

namespace platform
{
std::string FindFileIgnoringCase(const std::string& path)
{
    if (path.empty())
        return "";
    if (Exists(path))
        return path;
    std::string found = path[0] == '/' ? "/" : "";
    size_t start = 0;
    while (start <= path.size())
    {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty())
            continue;
        // The folder the component lives in: "" is the current one.
        const std::string folder = found;
        const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
        if (name == "." || name == ".." || Exists(prefix + name))
        {
            found = prefix + name;
            continue;
        }
        const std::string match = MatchInFolder(folder, name);
        if (match.empty())
            return "";
        found = prefix + match;
    }
    return Exists(found) ? found : "";
}
} // namespace platform
