// Put poster pictures and captions into the named objects of the scene just
// loaded, before it runs.
#pragma once

#include <optional>
#include <string>

// The picture at the full path `file` into "affiche", "affiche1", "affiche2".
void SetAffiche(const std::wstring& file);
void SetAffiche1(const std::wstring& file);
void SetAffiche2(const std::wstring& file);
// The caption `text` into "titre", "titre1", "titre2".
void SetTitle(const std::wstring& text);
void SetTitle1(const std::wstring& text);
void SetTitle2(const std::wstring& text);
// The picture into the object \affiche<slot + 1>\affiche of the programme scene.
void SetListAffiche(unsigned slot, const std::wstring& file);
// The caption into \affiche<slot + 1>\text; with an offset, also moves the text
// object that the viewer reports, unless the viewer reports a failure.
void SetListText(unsigned slot, const std::wstring& text,
                 std::optional<double> offset = std::nullopt);
