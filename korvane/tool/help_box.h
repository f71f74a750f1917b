#pragma once

#include <string>

// Shows the help text in an information box with one OK button (needs a display).
void showHelpBox(const std::string& text);
