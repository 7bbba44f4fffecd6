#include "tool/manifest_tool.h"

#include <exception>
#include <optional>

#include "tool/tool_commands.h"
#include "tool/tool_output.h"

namespace {

const char kUsage[] =
    "Usage: kavexwebupd-manifest [--json] COMMAND ...\n"
    "Reads an update manifest exactly as Kavex Web Update does and tells what it makes of it;\n"
    "makes keys and signs manifests.\n"
    "\n"
    "Commands:\n"
    "  check SOURCE [--key PUBLIC.pem]       findings in the manifest, line by line\n"
    "  explain SOURCE NAME VERSION [LOCALE] [--key PUBLIC.pem]\n"
    "                                        the page offered to one product, or why none\n"
    "  products SOURCE [FOLDER] [--key PUBLIC.pem]\n"
    "                                        the product files of FOLDER (default: the\n"
    "                                        program's product folder), each explained\n"
    "  keygen PRIVATE.pem PUBLIC.pem         a new ECDSA P-256 key pair in two new files\n"
    "  sign MANIFEST --key PRIVATE.pem [--key PRIVATE.pem]... [-o OUT]\n"
    "       [--sequence N] [--expires DAYS|YYYY-MM-DD|never]\n"
    "                                        signs the manifest file (in place, or into OUT),\n"
    "                                        one signature line a key, with a sequence\n"
    "                                        (default: the time in seconds since 1970) and\n"
    "                                        an expiry (default: 60 days)\n"
    "\n"
    "SOURCE is a file or an address, fetched as the program fetches it (its agent, no\n"
    "redirection followed, the schemes it accepts). --key checks the manifest's signature\n"
    "against the public keys of that file; without it, against those built into the\n"
    "program, if any.\n"
    "Options: --json  print one JSON document (see docs/manifest-tool.md); --help\n"
    "Exit codes: 0 clean (explain: explained, whatever the outcome), 1 findings, skipped\n"
    "product files or a signature that is not valid, 2 bad arguments or a source that\n"
    "cannot be read or downloaded.\n";

// The arguments: the options, wherever they stand, and the words of the command.
struct Arguments {
  bool asJson = false;
  bool help = false;
  std::vector<std::string> keys;      // --key FILE, as often as given
  std::optional<std::string> output;  // -o FILE
  SignFreshness freshness;            // --sequence N, --expires WHEN
  std::vector<std::string> words;
};

bool ParseArguments(const std::vector<std::string>& arguments, Arguments& parsed,
                    std::string& problem) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::optional<std::string>* value = nullptr;
    if (argument == "--help" || argument == "-h")
      parsed.help = true;
    else if (argument == "--json")
      parsed.asJson = true;
    else if (argument == "--key" && i + 1 < arguments.size())
      parsed.keys.push_back(arguments[++i]);
    else if (argument == "--key")
      value = &parsed.output;  // no FILE: refused below
    else if (argument == "-o" || argument == "--output")
      value = &parsed.output;
    else if (argument == "--sequence")
      value = &parsed.freshness.sequence;
    else if (argument == "--expires")
      value = &parsed.freshness.expires;
    else
      parsed.words.push_back(argument);
    if (value == nullptr)
      continue;
    if (i + 1 == arguments.size() || value->has_value()) {
      problem = argument + " takes one value";
      return false;
    }
    *value = arguments[++i];
  }
  if (parsed.words.empty()) {
    problem = "no command";
    return false;
  }
  return true;
}

std::optional<std::string> Optional(const std::vector<std::string>& args, std::size_t index) {
  return args.size() > index ? std::optional<std::string>(args[index]) : std::nullopt;
}

// The command named by the first word, printed into out (warnings into err); its exit code, or nothing, with
// why in problem, when the arguments do not fit.
std::optional<int> RunCommand(const Arguments& parsed, std::string& out, std::string& err,
                              std::string& problem) {
  const std::string& command = parsed.words.front();
  const std::vector<std::string> args(parsed.words.begin() + 1, parsed.words.end());
  // Only sign takes more than one key: it writes a signature line for each.
  std::optional<std::string> key;
  if (parsed.keys.size() == 1)
    key = parsed.keys.front();
  if (parsed.keys.size() > 1 && command != "sign") {
    problem = "--key is given once, except to sign";
    return std::nullopt;
  }
  if (command == "keygen") {
    if (args.size() == 2 && parsed.keys.empty() && !parsed.output &&
        !parsed.freshness.sequence && !parsed.freshness.expires) {
      const KeygenResult result = Keygen(args[0], args[1]);
      out += parsed.asJson ? KeygenJson(result) : KeygenText(result);
      return kExitClean;
    }
    problem = "keygen takes PRIVATE.pem PUBLIC.pem";
    return std::nullopt;
  }
  if (command == "sign") {
    if (args.size() == 1 && !parsed.keys.empty()) {
      const SignResult result =
          Sign(args[0], parsed.keys, parsed.output.value_or(""), parsed.freshness);
      out += parsed.asJson ? SignJson(result) : SignText(result);
      for (const std::string& warning : result.warnings)
        err += "kavexwebupd-manifest: warning: " + warning + "\n";
      if (result.expired)
        err += "kavexwebupd-manifest: warning: the manifest expired when it was signed (" +
               UtcTimeText(result.freshness.expiry) +
               "): a program built with this key refuses it\n";
      return kExitClean;
    }
    problem =
        "sign takes MANIFEST --key PRIVATE.pem [--key PRIVATE.pem]... [--sequence N] "
        "[--expires DAYS|YYYY-MM-DD|never] [-o OUT]";
    return std::nullopt;
  }
  if (parsed.output || parsed.freshness.sequence || parsed.freshness.expires) {
    problem = "-o, --sequence and --expires belong to sign";
    return std::nullopt;
  }
  std::optional<ToolResult> result;
  if (command == "check") {
    if (args.size() == 1)
      result = Check(args[0], SignatureKeyInEffect(key));
    problem = "check takes one SOURCE";
  } else if (command == "explain") {
    if (args.size() == 3 || args.size() == 4)
      result = Explain(args[0], SignatureKeyInEffect(key), args[1], args[2],
                       Optional(args, 3).value_or(""));
    problem = "explain takes SOURCE NAME VERSION [LOCALE]";
  } else if (command == "products") {
    if (args.size() == 1 || args.size() == 2)
      result = Products(args[0], SignatureKeyInEffect(key), Optional(args, 1));
    problem = "products takes SOURCE [FOLDER]";
  } else {
    problem = "unknown command " + command;
  }
  if (!result)
    return std::nullopt;
  out += parsed.asJson ? ResultJson(*result) : ResultText(*result);
  return ExitCode(*result);
}

}  // namespace

int RunManifestTool(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
  Arguments parsed;
  std::string problem;
  const bool fits = ParseArguments(arguments, parsed, problem);
  if (parsed.help) {
    out += kUsage;
    return kExitClean;
  }
  try {
    if (fits) {
      if (const std::optional<int> code = RunCommand(parsed, out, err, problem))
        return *code;
    }
  } catch (const std::exception& error) {
    err += std::string("kavexwebupd-manifest: ") + error.what() + "\n";
    return kExitUnusable;
  }
  err += "kavexwebupd-manifest: " + problem + "\n" + kUsage;
  return kExitUnusable;
}
