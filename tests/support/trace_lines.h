// Reading the stand-in viewer's trace: one flat JSON object a line.
#pragma once

#include <fstream>
#include <string>
#include <vector>

inline std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The raw JSON value of `key` in a flat trace line: a number, null, or a
// string with its quotes; empty when the key is missing.
inline std::string Field(const std::string& line, const std::string& key) {
  size_t at = line.find("\"" + key + "\":");
  if (at == std::string::npos) return std::string();
  at += key.size() + 3;
  size_t end = at;
  if (line[at] == '"') {
    for (++end; end < line.size() && line[end] != '"'; ++end)
      if (line[end] == '\\') ++end;
    ++end;
  } else {
    while (end < line.size() && line[end] != ',' && line[end] != '}') ++end;
  }
  return line.substr(at, end - at);
}

// The trace lines that record messages (they have a "number").
inline std::vector<std::string> Messages(const std::vector<std::string>& trace) {
  std::vector<std::string> messages;
  for (const std::string& line : trace)
    if (!Field(line, "number").empty()) messages.push_back(line);
  return messages;
}
