// Preparing an announcement for the speech page.
#pragma once

#include <string>

// Rewrites every whole hour ":00" of text, left to right, as "H", so that
// "Il est 14:00" is read as "Il est 14H". Other times stay as they are.
void PrepareSpokenText(std::string& text);
