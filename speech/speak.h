// Speaking a text through the speech web page open on the screen.
#pragma once

#include <string>

// Finds the page by its icon, clears its text field, types text (Latin-1
// bytes, up to the first NUL) and clicks its play button. Prints "SPEAK(text)"
// and then "OK", "err1" (no icon: nothing sent) or "err2" (no play button,
// after all the typing; or the page left the front, or the text could not be
// typed, and the input stopped there with a line that says so). Returns 0, -1
// or -2 to match. Takes 7.6 s.
int Speak(const std::string& text);
