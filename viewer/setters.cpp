#include "viewer/setters.h"

#include <charconv>

#include "viewer/channel.h"

static void SetPicture(const std::wstring& object, const std::wstring& file) {
  SetViewerProperty(object, VP_POSTER, file + L",SCALEX=0.085,SCALEY=0.083,POSY=-0.09");
}

static void SetCaption(const std::wstring& object, const std::wstring& text) {
  SelectViewerObject(object);
  SetViewerText(text);
}

// "\affiche<slot + 1>\<leaf>": a viewer object name, whose backslashes are no path.
static std::wstring SlotObject(unsigned slot, const wchar_t* leaf) {
  return L"\\affiche" + std::to_wstring(slot + 1u) + L"\\" + leaf;
}

// "0;%g;0", whatever the process locale.
static std::wstring OffsetValue(double offset) {
  char text[32];
  auto end = std::to_chars(text, text + sizeof text, offset, std::chars_format::general, 6).ptr;
  return L"0;" + std::wstring(text, end) + L";0";
}

void SetAffiche(const std::wstring& file) { SetPicture(L"affiche", file); }
void SetAffiche1(const std::wstring& file) { SetPicture(L"affiche1", file); }
void SetAffiche2(const std::wstring& file) { SetPicture(L"affiche2", file); }
void SetTitle(const std::wstring& text) { SetCaption(L"titre", text); }
void SetTitle1(const std::wstring& text) { SetCaption(L"titre1", text); }
void SetTitle2(const std::wstring& text) { SetCaption(L"titre2", text); }

void SetListAffiche(unsigned slot, const std::wstring& file) {
  SetPicture(SlotObject(slot, L"affiche"), file);
}

void SetListText(unsigned slot, const std::wstring& text, std::optional<double> offset) {
  SelectViewerObject(SlotObject(slot, L"text"));
  int32_t object = SetViewerText(text);
  if (!offset || object < 0) return;
  SetViewerProperty(L"#" + std::to_wstring(object), VP_OFFSET, OffsetValue(*offset));
}
