// The README and the Windows installation text show only options that the
// tools accept: every --option written for billora-preview, billora-bitmaps,
// kivo-standin or billora-sample is listed by that tool's --help, and one
// written with its value (--name=value) is taken by the tool.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/mdb_file.h"

namespace {

const std::map<std::string, std::string> kTools = {
    {"billora-preview", BILLORA_PREVIEW_EXE},
    {"billora-bitmaps", BILLORA_TOOLS_DIR "/billora-bitmaps"},
    {"kivo-standin", BILLORA_TOOLS_DIR "/kivo-standin"},
    {"billora-sample", BILLORA_TOOLS_DIR "/billora-sample"}};

// billora-keeper.exe has no Linux build to ask: its one option.
const std::set<std::string> kKeeperOptions = {"--stop"};

// Matched by hand: GCC 12 warns falsely inside <regex> in sanitized builds.
bool NamePart(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; }

// The option a word begins with ("--name" or "--name=value"), or "".
std::string OptionIn(const std::string& word) {
  if (word.size() < 3 || !word.starts_with("--") || word[2] < 'a' || word[2] > 'z') return "";
  size_t end = 3;
  while (end < word.size() && NamePart(word[end])) ++end;
  if (end + 1 < word.size() && word[end] == '=') return word;
  return word.substr(0, end);
}

// A heading: "# ..." in Markdown, a numbered section "4. ..." in plain text.
bool IsHeading(const std::string& line, bool markdown) {
  size_t n = line.find_first_not_of(markdown ? "#" : "0123456789");
  if (n == 0 || n == std::string::npos) return false;
  return markdown ? line[n] == ' ' : line.compare(n, 2, ". ") == 0;
}

// Whether text lists the option as a whole word.
bool Lists(const std::string& text, const std::string& option) {
  for (size_t at = text.find(option); at != std::string::npos; at = text.find(option, at + 1)) {
    size_t end = at + option.size();
    if (end == text.size() || !NamePart(text[end])) return true;
  }
  return false;
}

struct Shown {
  std::string tool, option, where;
};

// The tool a word names (a path to it, with or without .exe), or "".
std::string ToolNamed(std::string word) {
  word = word.substr(word.find_last_of("/\\") + 1);
  while (!word.empty() && std::string(".,:;)'\"").find(word.back()) != std::string::npos)
    word.pop_back();
  if (word.ends_with(".exe")) word.resize(word.size() - 4);
  return kTools.count(word) || word == "billora-keeper" ? word : "";
}

// The options of one piece of text. In a command (`code` true) an option
// belongs to the tool named before it in that command, or, when the command
// begins with an option, to the tool that the text is about; in prose always
// to the latter. Options of other commands (`systemctl --user`) are left out;
// one that belongs to no tool is kept with an empty tool.
void Collect(const std::string& text, bool code, const std::string& where, std::string& about,
             std::vector<Shown>& shown) {
  std::istringstream words(text);
  std::string owner = code ? "" : about;
  bool first = true;
  for (std::string word; words >> word; first = false) {
    if (std::string tool = ToolNamed(word); !tool.empty()) {
      about = owner = tool;
    } else if (word == "&&" || word == "||" || word == "|" || word == ";") {
      owner = "";
    } else if (std::string option = OptionIn(word); !option.empty()) {
      bool bare = !code || first;
      if (first) owner = about;
      if (bare || !owner.empty()) shown.push_back({owner, option, where});
    }
  }
}

// Every option shown in the file. In Markdown, inline code between backticks
// and indented lines (continued by a backslash) are commands, the rest is
// prose; a plain text is all prose. Headings (the numbered sections of the
// installation text) start a new subject.
std::vector<Shown> ShownOptions(const std::string& name) {
  std::ifstream file(std::string(BILLORA_SOURCE_DIR) + "/" + name);
  EXPECT_TRUE(file) << name;
  const bool markdown = name.ends_with(".md");
  std::vector<Shown> shown;
  std::string about, command;
  int number = 0;
  for (std::string line; std::getline(file, line);) {
    std::string where = name + ":" + std::to_string(++number);
    if (IsHeading(line, markdown)) about = "";
    if (!markdown) {
      Collect(line, false, where, about, shown);
      continue;
    }
    if (!command.empty() || line.starts_with("    ")) {
      command += line + " ";
      if (!line.ends_with("\\")) Collect(command, true, where, about, shown), command = "";
      continue;
    }
    // Pieces between backticks alternate prose, code, prose...
    std::istringstream pieces(line);
    bool code = false;
    for (std::string piece; std::getline(pieces, piece, '`'); code = !code)
      Collect(piece, code, where, about, shown);
  }
  return shown;
}

TEST(Documents, ShowOnlyOptionsTheToolsAccept) {
  std::map<std::string, CommandResult> help;
  for (const auto& [tool, path] : kTools) {
    help[tool] = RunCommand(ShellQuote(path) + " --help 2>&1");
    EXPECT_EQ(help[tool].exitCode, 0) << tool << ": " << help[tool].output;
  }
  std::set<std::string> documented;
  for (const char* name : {"README.md", "docs/install-windows.txt"}) {
    for (const Shown& s : ShownOptions(name)) {
      std::string bare = s.option.substr(0, s.option.find('='));
      if (bare == "--help") continue;  // every program of the package answers it, billora too
      EXPECT_FALSE(s.tool.empty()) << s.where << ": " << s.option << " shown for no tool";
      if (s.tool == "billora-keeper") {
        EXPECT_TRUE(kKeeperOptions.count(s.option)) << s.where << ": billora-keeper takes no " << s.option;
        continue;
      }
      if (s.tool.empty()) continue;
      documented.insert(s.tool);
      EXPECT_TRUE(Lists(help[s.tool].output, bare))
          << s.where << ": " << s.tool << " does not list " << bare;
      if (bare == s.option) continue;
      CommandResult run =
          RunCommand(ShellQuote(kTools.at(s.tool)) + " " + ShellQuote(s.option) + " --help 2>&1");
      EXPECT_EQ(run.exitCode, 0) << s.where << ": " << s.tool << " refuses " << s.option << ": "
                                 << run.output;
    }
  }
  EXPECT_EQ(documented.size(), kTools.size()) << "options found for fewer tools than documented";
}

}  // namespace
