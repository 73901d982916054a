// Text as the file stores it: UCS-2 (UTF-16LE) in Jet 4, code page 1252 in Jet 3.
#pragma once

#include <string>
#include <string_view>

#include "tools/mdbwrite/jet.h"

namespace mdbwrite {

// Encodes UTF-8 text for the file; fails (naming the line) on malformed UTF-8,
// a NUL character, or a character that the Jet 3 code page cannot represent.
std::string EncodeText(const Format& format, std::string_view utf8, int line);

// Jet 4 compressed text: the mark FF FE, then runs of one byte a character
// (characters U+0001 to U+00FF) and of two, a zero byte between runs. Text
// with a character that has a zero byte of its own stays as it is.
std::string CompressText(const std::string& utf16);

// Characters of encoded text as Access counts them (UTF-16 units in Jet 4).
inline size_t EncodedLength(const Format& format, const std::string& encoded) {
  return format.jet3 ? encoded.size() : encoded.size() / 2;
}

}  // namespace mdbwrite
