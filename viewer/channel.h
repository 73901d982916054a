// The window that the display cycle found, and the ways a text-carrying
// message is sent.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/wire/messages.h"

// The viewer's window; 0 until the display cycle has found it.
extern WindowHandle viewerWindow;

// PlatformAddAtom, with a console line naming a text that is not empty but
// cannot reach the viewer whole (AtomCanCarry refuses it); such a text goes
// as atom 0, never cut. The empty text travels as atom 0 by design.
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
