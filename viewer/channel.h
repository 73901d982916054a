// The kivo viewer's message numbers and property codes, the window that the
// display cycle found, and the three ways a text-carrying message is sent.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

constexpr uint32_t VM_LOAD_SCENE = 5685;
constexpr uint32_t VM_QUERY_DEVICE = 5686;
constexpr uint32_t VM_SET_TEXT = 5687;
constexpr uint32_t VM_SET_PROPERTY = 5688;
constexpr uint32_t VM_QUERY_FINISHED = 5689;
constexpr uint32_t VM_SELECT_OBJECT = 5690;
constexpr uint32_t VM_RUN = 5691;
constexpr uint32_t VM_STOP = 5692;

constexpr uint16_t VP_POSTER = 75;
constexpr uint16_t VP_OFFSET = 79;
constexpr uint16_t VP_FADE = 102;

// The window class of the viewer's communication window.
constexpr wchar_t kViewerClass[] = L"kivo_communication";

// The viewer's window; 0 until the display cycle has found it.
extern WindowHandle viewerWindow;

// True when the text can travel as an atom as it is: 1 to kAtomMaxLength
// characters, no NUL. The empty text travels as atom 0 by design.
bool AtomCanCarry(const std::wstring& text);
// PlatformAddAtom, with a console line naming a text that is not empty but
// cannot reach the viewer whole; such a text goes as atom 0, never cut.
uint16_t AddViewerAtom(const std::wstring& text);

// Each text below travels as an atom registered just before the send and
// deleted just after it, in the order registered. When the registration of a
// text that can travel fails, the message is not sent, and a console line
// says why ("\nCan't add atom (<reason>), message not sent").

// A message whose wParam is the atom of one text (VM_LOAD_SCENE with a scene
// path, VM_SELECT_OBJECT with an object name).
void SendWithText(uint32_t message, const std::wstring& text);

// VM_SET_PROPERTY: the object atom with the property code in the high word of
// wParam, the value atom in lParam.
void SetViewerProperty(const std::wstring& object, uint16_t code, const std::wstring& value);
// VM_SELECT_OBJECT with the object atom.
void SelectViewerObject(const std::wstring& object);
// VM_SET_TEXT on the selected object in the font "Arial"; the viewer's answer,
// an object number or a negative number (-1 when the message was kept back).
int32_t SetViewerText(const std::wstring& text);
