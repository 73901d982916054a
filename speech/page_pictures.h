// The pictures of the speech page that the search compares with the screen:
// the stored bitmaps 101 to 105, each of which a venue may replace with a file
// <id>.bmp cut from its own page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The folder beside the program that holds a venue's pictures.
std::wstring SpeechPictureFolder();

// Takes folder/101.bmp ... folder/105.bmp in place of the stored pictures.
// Each file present is checked once (a sound BMP, not empty, not larger than
// the screen); a bad one is named on the console with the reason and the
// stored picture kept. One line then says which pictures come from the folder.
// Returns their ids. The files of an earlier call are forgotten.
std::vector<uint16_t> LoadSpeechPictures(const std::wstring& folder);
// The same for a screen of screenWidth x screenHeight (0 x 0: unknown).
std::vector<uint16_t> LoadSpeechPictures(const std::wstring& folder, uint32_t screenWidth,
                                         uint32_t screenHeight);

// The bytes of picture id: its file when one was taken, else the stored
// bitmap; empty when there is neither.
std::string_view SpeechPicture(uint16_t id);
