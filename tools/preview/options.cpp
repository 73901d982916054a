#include <charconv>

#include "tools/preview/preview.h"

const char kPreviewUsage[] =
    "usage: billora-preview [--at \"YYYY-MM-DD HH:MM[:SS]\"] [--passes N] [--json] "
    "[FOLDER or list.mdb]\n"
    "Shows what the display does with the list.mdb of FOLDER (default: the folder of\n"
    "this program) at a local moment (default: now), without a viewer or a screen.\n"
    "  --at MOMENT  local time in this machine's zone or TZ; add +HH:MM or -HH:MM\n"
    "               to pick one of the two equal times of the autumn clock change.\n"
    "               The date may be today, tomorrow or a weekday, in English or\n"
    "               French: \"today 18:00\", \"demain 15:00\", \"saturday 20:30\" (the\n"
    "               next Saturday, today included), \"next saturday 20:30\" or\n"
    "               \"samedi prochain 20:30\" (the next Saturday after today)\n"
    "  --passes N   whole passes of the display cycle, 1 to 1000 (default 1)\n"
    "  --json       one JSON document (see docs/preview.md) instead of text\n"
    "Exit status: 0 done, 1 nothing previewed, 2 bad arguments, 3 done at the first\n"
    "of two equal local times.\n";

static std::string ParsePasses(const std::string& text, int* passes) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxPasses)
    return "--passes wants a whole number from 1 to " + std::to_string(kMaxPasses) + ", not \"" +
           text + "\"";
  *passes = value;
  return "";
}

// "--name=value" or "--name value"; false when `arg` is not this option.
static bool TakeValue(const std::string& name, const std::vector<std::string>& args, size_t& i,
                      std::string* value, std::string* error) {
  const std::string& arg = args[i];
  if (arg.rfind(name + "=", 0) == 0) {
    *value = arg.substr(name.size() + 1);
    return true;
  }
  if (arg != name) return false;
  if (i + 1 >= args.size())
    *error = name + " wants a value";
  else
    *value = args[++i];
  return true;
}

std::string ParsePreviewOptions(const std::vector<std::string>& args, PreviewOptions* options) {
  bool onlyNames = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value, error;
    if (onlyNames || arg.empty() || arg[0] != '-' || arg == "-") {
      if (!options->target.empty()) return "one FOLDER or list.mdb only, not also \"" + arg + "\"";
      options->target = arg;
    } else if (arg == "--") {
      onlyNames = true;
    } else if (arg == "--json") {
      options->json = true;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (TakeValue("--at", args, i, &value, &error)) {
      if (!error.empty()) return error;
      options->at = value;
    } else if (TakeValue("--passes", args, i, &value, &error)) {
      if (!error.empty()) return error;
      if (std::string why = ParsePasses(value, &options->passes); !why.empty()) return why;
    } else {
      return "unknown option \"" + arg + "\"";
    }
  }
  return "";
}
