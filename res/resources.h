// The bitmap files of res/, compiled into the executable.
#pragma once

#include <cstdint>
#include <string_view>

// The bytes of res/<id>.bmp; empty when there is no such file.
std::string_view StoredBitmap(uint16_t id);
