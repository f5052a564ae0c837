#include "screen/ErrorBox.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform
{
bool MessageBoxSuppressed()
{
    const char* value = std::getenv("NERULAN_NO_MESSAGE_BOX");
    return value && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

void ShowErrorBox(const char* caption, const char* utf8Text, SDL_Window* owner)
{
    const char* text = utf8Text ? utf8Text : "";
    std::fprintf(stderr, "%s %s\n", caption ? caption : "", text);
    std::fflush(stderr);
    if (!MessageBoxSuppressed())
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, owner);
}
} // namespace platform
