#pragma once

namespace kw {

// Whether a window could be shown: a display is named and Qt is not told to draw off screen.
// Both programs decide with it between their dialogs and a message on the terminal.
bool hasDisplay();

} // namespace kw
