#include "speech/spoken_text.h"

// The inserted "H" can never be part of a ":00", so replacing the occurrences
// one after the other is the same as replacing those of the original text,
// taken from left to right without overlap.
void PrepareSpokenText(std::string& text) {
  // Built aside and swapped in, so text is intact if memory runs out.
  std::string work;
  work.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(":00"); at != std::string::npos; at = text.find(":00", from)) {
    work.append(text, from, at - from);
    work += 'H';
    from = at + 3;
  }
  work.append(text, from);
  text.swap(work);
}
