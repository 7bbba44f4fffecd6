#include "tool/manifest_tool.h"

#include <exception>
#include <optional>

#include "tool/tool_commands.h"
#include "tool/tool_output.h"

namespace {

const char kUsage[] =
    "Usage: kavexwebupd-manifest [--json] COMMAND ...\n"
    "Reads an update manifest exactly as Kavex Web Update does and tells what it makes of it.\n"
    "\n"
    "Commands:\n"
    "  check SOURCE                          findings in the manifest, line by line\n"
    "  explain SOURCE NAME VERSION [LOCALE]  the page offered to one product, or why none\n"
    "  products SOURCE [FOLDER]              the product files of FOLDER (default: the\n"
    "                                        program's product folder), each explained\n"
    "\n"
    "SOURCE is a file or an http:// address, fetched as the program fetches it (its agent,\n"
    "no redirection followed).\n"
    "Options: --json  print one JSON document (see docs/manifest-tool.md); --help\n"
    "Exit codes: 0 clean (explain: explained, whatever the outcome), 1 findings or skipped\n"
    "product files, 2 bad arguments or a source that cannot be read or downloaded.\n";

// The command named by words[0] with the arguments after it; nothing, with why in
// problem, when they do not fit.
std::optional<ToolResult> RunCommand(const std::vector<std::string>& words, std::string& problem) {
  const std::string& command = words.front();
  const std::vector<std::string> args(words.begin() + 1, words.end());
  if (command == "check") {
    if (args.size() == 1)
      return Check(args[0]);
    problem = "check takes one SOURCE";
  } else if (command == "explain") {
    if (args.size() == 3 || args.size() == 4)
      return Explain(args[0], args[1], args[2], args.size() > 3 ? args[3] : std::string());
    problem = "explain takes SOURCE NAME VERSION [LOCALE]";
  } else if (command == "products") {
    if (args.size() == 1 || args.size() == 2)
      return Products(args[0],
                      args.size() > 1 ? std::optional<std::string>(args[1]) : std::nullopt);
    problem = "products takes SOURCE [FOLDER]";
  } else {
    problem = "unknown command " + command;
  }
  return std::nullopt;
}

}  // namespace

int RunManifestTool(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
  bool asJson = false;
  std::vector<std::string> words;
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      out += kUsage;
      return kExitClean;
    }
    if (argument == "--json")
      asJson = true;
    else
      words.push_back(argument);
  }
  std::string problem = "no command";
  try {
    if (!words.empty()) {
      if (const std::optional<ToolResult> result = RunCommand(words, problem)) {
        out += asJson ? ResultJson(*result) : ResultText(*result);
        return ExitCode(*result);
      }
    }
  } catch (const std::exception& error) {
    err += std::string("kavexwebupd-manifest: ") + error.what() + "\n";
    return kExitUnusable;
  }
  err += "kavexwebupd-manifest: " + problem + "\n" + kUsage;
  return kExitUnusable;
}
