#include "viewer/channel.h"

#include <initializer_list>

#include "platform/print.h"

WindowHandle viewerWindow = 0;

// VM_SET_TEXT's lParam: 1000 in the low word, 100 in the high word.
constexpr int64_t kTextLayout = (100 << 16) | 1000;

uint16_t AddViewerAtom(const std::wstring& text) {
  // ConsoleText first: a NUL would end the text on the console too.
  if (!text.empty() && !AtomCanCarry(text))
    PrintWide(L"\nCan't send to kivo: %ls", ConsoleText(text).c_str());
  return PlatformAddAtom(text);
}

// The atom of a text for one message. A text that can travel but that the
// table refused sets *failed, with a line, and the message must not go out:
// the viewer would take atom 0 for no text at all. A failure without a reason
// (no viewer to send to; "#0", which is no atom on Windows) travels as atom 0,
// as before.
static uint16_t MessageAtom(const std::wstring& text, bool* failed) {
  uint16_t atom = AddViewerAtom(text);
  if (atom != 0 || !AtomCanCarry(text)) return atom;
  std::string reason = PlatformAtomError();
  if (reason.empty()) return 0;
  if (!*failed) PrintNarrow("\nCan't add atom (%s), message not sent", reason.c_str());
  *failed = true;
  return 0;
}

// The viewer's answer; -1 for a message kept back.
static int32_t SendWithAtoms(uint32_t message, uint64_t wParam, int64_t lParam, bool failed,
                             std::initializer_list<uint16_t> atoms) {
  int32_t result = failed ? -1 : PlatformSendMessage(viewerWindow, message, wParam, lParam);
  for (uint16_t atom : atoms) PlatformDeleteAtom(atom);
  return result;
}

static uint64_t Pack(uint16_t low, uint16_t high) {
  return static_cast<uint64_t>(high) << 16 | low;
}

void SendWithText(uint32_t message, const std::wstring& text) {
  bool failed = false;
  uint16_t textAtom = MessageAtom(text, &failed);
  SendWithAtoms(message, textAtom, 0, failed, {textAtom});
}

void SetViewerProperty(const std::wstring& object, uint16_t code, const std::wstring& value) {
  bool failed = false;
  uint16_t objectAtom = MessageAtom(object, &failed);
  uint16_t valueAtom = MessageAtom(value, &failed);
  SendWithAtoms(VM_SET_PROPERTY, Pack(objectAtom, code), valueAtom, failed,
                {objectAtom, valueAtom});
}

void SelectViewerObject(const std::wstring& object) { SendWithText(VM_SELECT_OBJECT, object); }

int32_t SetViewerText(const std::wstring& text) {
  bool failed = false;
  uint16_t textAtom = MessageAtom(text, &failed);
  uint16_t fontAtom = MessageAtom(L"Arial", &failed);
  return SendWithAtoms(VM_SET_TEXT, Pack(textAtom, fontAtom), kTextLayout, failed,
                       {textAtom, fontAtom});
}
