// Typing Latin-1 text with XTest. A byte 0x20-0x7E or 0xA0-0xFF is the keysym
// of the same value. Characters that no key of the map yields at level 1 or 2
// are bound for the time of the typing to keycodes that have no keysym, all at
// once: a browser rebuilds its keymap after each change and loses the keys
// that arrive meanwhile, so it is given time before and after the typing.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/input.h"
#include "platform/linux/x11.h"
#include "platform/platform.h"

static constexpr uint32_t kKeymapSettleMs = 200;

struct KeyMap {
  int minCode = 0, perCode = 0;
  std::vector<KeySym> syms;  // perCode keysyms for each keycode from minCode
  int Count() const { return perCode ? static_cast<int>(syms.size()) / perCode : 0; }
  KeySym At(int code, int column) const {
    return column < perCode ? syms[static_cast<size_t>((code - minCode) * perCode + column)]
                            : NoSymbol;
  }
};

struct Stroke {
  KeyCode code;
  bool shift;
};

// Spare keycode -> the lower-case keysym bound to it (upper case with Shift).
using Bindings = std::vector<std::pair<int, KeySym>>;

static KeyMap ReadKeyMap(Display* d) {
  KeyMap map;
  int maxCode = 0;
  XDisplayKeycodes(d, &map.minCode, &maxCode);
  int count = maxCode - map.minCode + 1;
  KeySym* syms = XGetKeyboardMapping(d, static_cast<KeyCode>(map.minCode), count, &map.perCode);
  if (!syms) return KeyMap{};
  map.syms.assign(syms, syms + static_cast<size_t>(count) * map.perCode);
  XFree(syms);
  return map;
}

static KeySym KeySymOfByte(unsigned char b) {
  return (b >= 0x20 && b <= 0x7E) || b >= 0xA0 ? b : NoSymbol;
}

// The key and level (1, or 2 with Shift) of sym. A key with a single keysym
// gives its lower case at level 1 and its upper case at level 2.
static std::optional<Stroke> FindKey(const KeyMap& map, KeySym sym) {
  for (int level = 0; level < 2; ++level) {
    for (int i = 0; i < map.Count(); ++i) {
      int code = map.minCode + i;
      KeySym first = map.At(code, 0), second = map.At(code, 1);
      if (second == NoSymbol) XConvertCase(first, &first, &second);
      if ((level == 0 ? first : second) == sym)
        return Stroke{static_cast<KeyCode>(code), level == 1};
    }
  }
  return std::nullopt;
}

// Keycodes without any keysym, highest first (the lowest keycodes are the
// ones most likely to be special to a client).
static std::vector<int> SpareCodes(const KeyMap& map) {
  std::vector<int> codes;
  for (int i = map.Count() - 1; i >= 0; --i) {
    int code = map.minCode + i;
    bool empty = true;
    for (int column = 0; column < map.perCode; ++column) empty &= map.At(code, column) == NoSymbol;
    if (empty) codes.push_back(code);
  }
  return codes;
}

static std::optional<Stroke> FindBound(const Bindings& bound, KeySym sym) {
  KeySym lower, upper;
  XConvertCase(sym, &lower, &upper);
  for (const auto& [code, boundLower] : bound)
    if (boundLower == lower) return Stroke{static_cast<KeyCode>(code), sym != lower};
  return std::nullopt;
}

// Binds the characters of bytes from `from` on that the map lacks, as far as
// the spare keycodes go, and returns where that run of text ends. Without any
// spare keycode such characters cannot be typed and are left out.
static size_t PlanRun(const KeyMap& map, const std::vector<int>& spare, std::string_view bytes,
                      size_t from, Bindings* bound) {
  size_t end = from;
  for (; end < bytes.size(); ++end) {
    KeySym sym = KeySymOfByte(static_cast<unsigned char>(bytes[end]));
    if (sym == NoSymbol || FindKey(map, sym) || FindBound(*bound, sym)) continue;
    if (spare.empty()) continue;
    if (bound->size() == spare.size()) break;
    KeySym lower, upper;
    XConvertCase(sym, &lower, &upper);
    bound->emplace_back(spare[bound->size()], lower);
  }
  return end;
}

static void ChangeBindings(Display* d, const Bindings& bound, bool bind) {
  for (const auto& [code, lower] : bound) {
    KeySym pair[2] = {NoSymbol, NoSymbol};
    if (bind) XConvertCase(lower, &pair[0], &pair[1]);
    XChangeKeyboardMapping(d, code, 2, pair, 1);
  }
  X11Sync(d);
}

static void TypeStroke(Display* d, Stroke stroke, KeyCode shift) {
  if (stroke.shift) XTestFakeKeyEvent(d, shift, True, CurrentTime);
  XTestFakeKeyEvent(d, stroke.code, True, CurrentTime);
  XTestFakeKeyEvent(d, stroke.code, False, CurrentTime);
  if (stroke.shift) XTestFakeKeyEvent(d, shift, False, CurrentTime);
  X11Sync(d);
}

static void TypeRun(Display* d, const KeyMap& map, const Bindings& bound, std::string_view run) {
  std::optional<Stroke> shift = FindKey(map, XK_Shift_L);
  for (char byte : run) {
    KeySym sym = KeySymOfByte(static_cast<unsigned char>(byte));
    if (sym == NoSymbol) continue;  // control codes are never typed
    std::optional<Stroke> stroke = FindBound(bound, sym);
    if (!stroke) stroke = FindKey(map, sym);
    if (!stroke || (stroke->shift && !shift)) continue;
    TypeStroke(d, *stroke, shift ? shift->code : 0);
  }
}

// XTest input is never refused: there is no -2 here.
int PlatformTypeChars(int x, int y, std::string_view bytes) {
  Display* d = InputDisplay();
  if (!d) return 0;
  if (!KeysReachPoint(d, x, y)) return -1;
  KeyMap map = ReadKeyMap(d);
  std::vector<int> spare = SpareCodes(map);
  for (size_t from = 0; from < bytes.size();) {
    Bindings bound;
    size_t end = PlanRun(map, spare, bytes, from, &bound);
    if (!bound.empty()) {
      ChangeBindings(d, bound, true);
      PlatformSleep(kKeymapSettleMs);
    }
    TypeRun(d, map, bound, bytes.substr(from, end - from));
    if (!bound.empty()) {
      PlatformSleep(kKeymapSettleMs);
      ChangeBindings(d, bound, false);
    }
    from = end;
  }
  return 0;
}
