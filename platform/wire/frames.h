// The byte layout of the viewer channel, shared by the program's side
// (channel.cpp) and the stand-in viewer. docs/viewer-protocol.md describes it.
//
// Every frame, in both directions, is a 32-bit little-endian body length and
// the body. A request body starts with an operation byte.
#pragma once

#include <cstdint>
#include <string>

#include "base/text.h"

constexpr uint32_t kWireMagic = 0x4F56494B;  // the bytes "KIVO"
constexpr uint32_t kWireVersion = 1;

constexpr uint8_t kOpHello = 1;        // u32 magic, u32 version -> i32 version or 0
constexpr uint8_t kOpAddAtom = 2;      // u16 atom, UTF-8 text -> no answer
constexpr uint8_t kOpDeleteAtom = 3;   // u16 atom -> no answer
constexpr uint8_t kOpGetAtomName = 4;  // u16 atom -> UTF-8 text, empty when unknown
constexpr uint8_t kOpSend = 5;         // u32 number, u64 wParam, i64 lParam -> i32 result

// An atom registration at its largest: a UTF-16 unit takes at most 3 bytes of
// UTF-8 (a pair of them, 4).
constexpr uint32_t kWireMaxBody = 1 + 2 + 3 * kAtomMaxLength;
constexpr uint16_t kFirstAtom = 0xC000;             // atoms run from 0xC000 to 0xFFFF
constexpr uint32_t kAtomCount = 0x10000 - kFirstAtom;

inline void PutU16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

inline void PutU32(std::string& out, uint32_t v) {
  PutU16(out, static_cast<uint16_t>(v));
  PutU16(out, static_cast<uint16_t>(v >> 16));
}

inline void PutU64(std::string& out, uint64_t v) {
  PutU32(out, static_cast<uint32_t>(v));
  PutU32(out, static_cast<uint32_t>(v >> 32));
}

inline uint16_t GetU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t GetU32(const unsigned char* p) {
  return GetU16(p) | static_cast<uint32_t>(GetU16(p + 2)) << 16;
}

inline uint64_t GetU64(const unsigned char* p) {
  return GetU32(p) | static_cast<uint64_t>(GetU32(p + 4)) << 32;
}

// A whole frame: the length, then `body`.
inline std::string WireFrame(const std::string& body) {
  std::string frame;
  frame.reserve(4 + body.size());
  PutU32(frame, static_cast<uint32_t>(body.size()));
  return frame + body;
}

// The answer frame that carries one signed 32-bit value.
inline std::string WireValue(int32_t value) {
  std::string body;
  PutU32(body, static_cast<uint32_t>(value));
  return WireFrame(body);
}
