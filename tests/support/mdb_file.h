// Test helpers: run a shell command, and write an Access database from a
// text description with the mdbwrite tool (format: see tools/mdbwrite).
//
//   std::string path = WriteMdb(std::string(kShowsColumns) + "row 1\tCarmen\t...\n");
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

// The tables the display program reads, without rows.
inline constexpr char kShowsColumns[] =
    "table shows\n"
    "column id long\n"
    "column name text\n"
    "column date datetime\n"
    "column where text\n"
    "column text1 text\n"
    "column text2 text\n"
    "column visual text\n"
    "column ndays int\n";
inline constexpr char kAnnoncesColumns[] =
    "table annonces\n"
    "column template text\n"
    "column duration int\n"
    "column starting datetime\n"
    "column ending datetime\n";

struct CommandResult {
  int exitCode;  // -1 when the command did not exit normally
  std::string output;
};

// Runs `command` with /bin/sh and collects its standard output.
inline CommandResult RunCommand(const std::string& command) {
  CommandResult result{-1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  size_t count = 0;
  while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, count);
  const int status = pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

// `text` as one word for /bin/sh.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A fresh directory under $TMPDIR (or /tmp), removed when the test program ends.
inline std::string MakeTempDir() {
  struct Created {
    std::vector<std::string> paths;
    ~Created() {
      std::error_code ignored;
      for (const std::string& path : paths) std::filesystem::remove_all(path, ignored);
    }
  };
  static Created created;
  const char* base = getenv("TMPDIR");
  std::string path =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/billora-XXXXXX";
  if (mkdtemp(path.data()) == nullptr) throw std::runtime_error("cannot create " + path);
  created.paths.push_back(path);
  return path;
}

// The bytes of the file at `path`; empty when it cannot be read.
inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes the database of `description` to `path` (Jet 4, or Jet 3); a failure
// of mdbwrite is a test failure and throws.
inline void WriteMdbAt(const std::string& path, const std::string& description, bool jet3 = false) {
  const std::string descriptionPath = path + ".txt";
  std::ofstream(descriptionPath, std::ios::binary) << description;
  const CommandResult result =
      RunCommand(ShellQuote(BILLORA_TOOLS_DIR "/mdbwrite") + (jet3 ? " --jet3 " : " ") +
                 ShellQuote(descriptionPath) + " " + ShellQuote(path) + " 2>&1");
  std::error_code ignored;
  std::filesystem::remove(descriptionPath, ignored);
  if (result.exitCode != 0) {
    ADD_FAILURE() << "mdbwrite failed with " << result.exitCode << ": " << result.output;
    throw std::runtime_error("mdbwrite failed: " + result.output);
  }
}

// The path of list.mdb, written from `description`, in a fresh temporary directory.
inline std::string WriteMdb(const std::string& description, bool jet3 = false) {
  const std::string path = MakeTempDir() + "/list.mdb";
  WriteMdbAt(path, description, jet3);
  return path;
}
