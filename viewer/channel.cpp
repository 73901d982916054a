#include "viewer/channel.h"

WindowHandle viewerWindow = 0;

// VM_SET_TEXT's lParam: 1000 in the low word, 100 in the high word.
constexpr int64_t kTextLayout = (100 << 16) | 1000;

static uint64_t Pack(uint16_t low, uint16_t high) {
  return static_cast<uint64_t>(high) << 16 | low;
}

void SetViewerProperty(const std::wstring& object, uint16_t code, const std::wstring& value) {
  uint16_t objectAtom = PlatformAddAtom(object);
  uint16_t valueAtom = PlatformAddAtom(value);
  PlatformSendMessage(viewerWindow, VM_SET_PROPERTY, Pack(objectAtom, code), valueAtom);
  PlatformDeleteAtom(objectAtom);
  PlatformDeleteAtom(valueAtom);
}

void SelectViewerObject(const std::wstring& object) {
  uint16_t objectAtom = PlatformAddAtom(object);
  PlatformSendMessage(viewerWindow, VM_SELECT_OBJECT, objectAtom, 0);
  PlatformDeleteAtom(objectAtom);
}

int32_t SetViewerText(const std::wstring& text) {
  uint16_t textAtom = PlatformAddAtom(text);
  uint16_t fontAtom = PlatformAddAtom(L"Arial");
  int32_t result =
      PlatformSendMessage(viewerWindow, VM_SET_TEXT, Pack(textAtom, fontAtom), kTextLayout);
  PlatformDeleteAtom(textAtom);
  PlatformDeleteAtom(fontAtom);
  return result;
}
