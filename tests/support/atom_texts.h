// Texts at the edges of what an atom carries, with the verdict that the fake,
// the Linux channel and the Windows channel must all give. The verdicts are
// written out by hand on purpose, not computed with AtomCanCarry.
#pragma once

#include <string>
#include <vector>

struct AtomEdge {
  const char* name;
  std::wstring text;
  bool carried;  // arrives whole; otherwise it goes as atom 0
};

inline std::vector<AtomEdge> AtomEdges() {
  // 🎭 is one character outside the BMP, two UTF-16 units; built from its
  // scalar value so that it is one wide character on Linux and a pair on
  // Windows, as each system spells it.
  std::wstring mask = sizeof(wchar_t) == 2 ? std::wstring{wchar_t(0xD83C), wchar_t(0xDFAD)}
                                           : std::wstring(1, wchar_t(0x1F3AD));
  std::wstring masks;
  for (int i = 0; i < 127; ++i) masks += mask;  // 254 units
  return {
      {"255 units", std::wstring(255, L'\u00E9'), true},
      {"256 units", std::wstring(256, L'\u00E9'), false},
      {"a pair ending at unit 255", std::wstring(253, L'a') + mask, true},
      {"a pair ending at unit 256", std::wstring(254, L'a') + mask, false},
      {"127 pairs and one unit", masks + L"a", true},
      {"128 pairs", masks + mask, false},
      {"a lone high surrogate", L"a" + std::wstring(1, wchar_t(0xD83C)) + L"b", false},
      {"a lone low surrogate", std::wstring(1, wchar_t(0xDFAD)), false},
      {"NUL inside", std::wstring(L"a\0b", 3), false},
      {"empty", L"", false},
  };
}
