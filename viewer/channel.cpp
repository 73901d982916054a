#include "viewer/channel.h"

#include "platform/text.h"

WindowHandle viewerWindow = 0;

// VM_SET_TEXT's lParam: 1000 in the low word, 100 in the high word.
constexpr int64_t kTextLayout = (100 << 16) | 1000;

bool AtomCanCarry(const std::wstring& text) {
  return !text.empty() && text.size() <= kAtomMaxLength && text.find(L'\0') == std::wstring::npos;
}

uint16_t AddViewerAtom(const std::wstring& text) {
  // ConsoleText first: a NUL would end the text on the console too.
  if (!text.empty() && !AtomCanCarry(text))
    PrintWide(L"\nCan't send to kivo: %ls", ConsoleText(text).c_str());
  return PlatformAddAtom(text);
}

static uint64_t Pack(uint16_t low, uint16_t high) {
  return static_cast<uint64_t>(high) << 16 | low;
}

void SetViewerProperty(const std::wstring& object, uint16_t code, const std::wstring& value) {
  uint16_t objectAtom = AddViewerAtom(object);
  uint16_t valueAtom = AddViewerAtom(value);
  PlatformSendMessage(viewerWindow, VM_SET_PROPERTY, Pack(objectAtom, code), valueAtom);
  PlatformDeleteAtom(objectAtom);
  PlatformDeleteAtom(valueAtom);
}

void SelectViewerObject(const std::wstring& object) {
  uint16_t objectAtom = AddViewerAtom(object);
  PlatformSendMessage(viewerWindow, VM_SELECT_OBJECT, objectAtom, 0);
  PlatformDeleteAtom(objectAtom);
}

int32_t SetViewerText(const std::wstring& text) {
  uint16_t textAtom = AddViewerAtom(text);
  uint16_t fontAtom = PlatformAddAtom(L"Arial");
  int32_t result =
      PlatformSendMessage(viewerWindow, VM_SET_TEXT, Pack(textAtom, fontAtom), kTextLayout);
  PlatformDeleteAtom(textAtom);
  PlatformDeleteAtom(fontAtom);
  return result;
}
