// The kivo viewer's message numbers, property codes and window class: the
// protocol above the transport, the same on every system.
#pragma once

#include <cstdint>

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
