#pragma once

struct SDL_Window;

namespace platform
{
// Reports a start-up failure: the text on stderr, then a modal message box with one OK button,
// owned by the window when there is one.
//
// Test use: when the environment variable NERULAN_NO_MESSAGE_BOX is set (to anything but "" or
// "0") the box is not shown - SDL's box blocks for ever on a display nobody answers. This is the
// only place that reads it.
void ShowErrorBox(const char* caption, const char* utf8Text, SDL_Window* owner);

// Whether the message box is suppressed (see above).
bool MessageBoxSuppressed();
} // namespace platform
