// Runs the program's registry and remind-date operations from the command line, so that
// end-to-end tests can drive them on the real platform before a whole run reaches them.
//
//   settings_probe <command> <arguments>... [<command> <arguments>...]...
//
// Commands (fixed numbers of arguments), each printing one JSON object on its own line:
//   read <key> <name>           {"ok": bool, "value": text}        ReadRegString
//   write <key> <name> <text>   {"ok": bool}                       WriteRegString
//   get-remind <name>           {"time": n}                        GetRemindDate
//   set-remind <name> <days>    {"now": n}                         SetRemindDate
//   clear-remind <name>         {}                                 ClearRemindDate
//   format-remind <time>        {"text": text}                     FormatRemindDate
//   parse-remind <text>         {"time": n} or {"error": "invalid_argument"}
//   now                         {"time": n}                        the platform clock
//   split-path <path>           {"drive": text, "folder": text}    platform::SplitPath
//   module-file-name            {"path": text}                     platform::ModuleFileName
// Texts are 8-bit: each byte of 0x80 or more is written as \u00XX, so a reader decoding
// the JSON gets the bytes back through Latin-1. An argument that starts with "hex:" is
// given as hexadecimal bytes ("hex:" alone is the empty text).
// Exit code 0 when every command ran, 2 for a command line it does not understand.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "settings/registry_settings.h"
#include "settings/remind_dates.h"

namespace {

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Bool(bool value) {
  return value ? "true" : "false";
}

int HexDigit(char c) {
  const int value = HexDigitValue(c);
  if (value < 0)
    throw std::invalid_argument("not a hexadecimal digit");
  return value;
}

std::string Argument(const std::string& raw) {
  if (raw.compare(0, 4, "hex:") != 0)
    return raw;
  const std::string digits = raw.substr(4);
  if (digits.size() % 2 != 0)
    throw std::invalid_argument("odd number of hexadecimal digits");
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    bytes += static_cast<char>(HexDigit(digits[i]) * 16 + HexDigit(digits[i + 1]));
  return bytes;
}

std::int64_t Number(const std::string& text) {
  std::size_t used = 0;
  const long long value = std::stoll(text, &used);
  if (used != text.size())
    throw std::invalid_argument("not a number: " + text);
  return value;
}

// Runs the command at args[i] and returns the index after its arguments.
std::size_t Run(const std::vector<std::string>& args, std::size_t i) {
  const std::string& command = args[i];
  auto arg = [&](std::size_t n) {
    if (i + n >= args.size())
      throw std::invalid_argument("missing argument of " + command);
    return Argument(args[i + n]);
  };
  std::string out;
  std::size_t used = 0;
  if (command == "read") {
    std::string value = "left unchanged";
    const bool ok = ReadRegString(arg(1), arg(2), value);
    out = "{\"ok\": " + Bool(ok) + ", \"value\": " + Json(value) + "}";
    used = 2;
  } else if (command == "write") {
    out = "{\"ok\": " + Bool(WriteRegString(arg(1), arg(2), arg(3))) + "}";
    used = 3;
  } else if (command == "get-remind") {
    out = "{\"time\": " + std::to_string(GetRemindDate(arg(1))) + "}";
    used = 1;
  } else if (command == "set-remind") {
    const std::int64_t now = platform::CurrentTime();
    SetRemindDate(arg(1), static_cast<int>(Number(arg(2))));
    out = "{\"now\": " + std::to_string(now) + "}";
    used = 2;
  } else if (command == "clear-remind") {
    ClearRemindDate(arg(1));
    out = "{}";
    used = 1;
  } else if (command == "format-remind") {
    out = "{\"text\": " + Json(FormatRemindDate(Number(arg(1)))) + "}";
    used = 1;
  } else if (command == "parse-remind") {
    try {
      out = "{\"time\": " + std::to_string(ParseRemindDate(arg(1))) + "}";
    } catch (const std::invalid_argument&) {
      out = "{\"error\": \"invalid_argument\"}";
    }
    used = 1;
  } else if (command == "now") {
    out = "{\"time\": " + std::to_string(platform::CurrentTime()) + "}";
  } else if (command == "split-path") {
    std::string drive;
    std::string folder;
    platform::SplitPath(arg(1), drive, folder);
    out = "{\"drive\": " + Json(drive) + ", \"folder\": " + Json(folder) + "}";
    used = 1;
  } else if (command == "module-file-name") {
    out = "{\"path\": " + Json(platform::ModuleFileName()) + "}";
  } else {
    throw std::invalid_argument("unknown command " + command);
  }
  std::printf("%s\n", out.c_str());
  std::fflush(stdout);
  return i + 1 + used;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  try {
    for (std::size_t i = 1; i < args.size();)
      i = Run(args, i);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "settings_probe: %s\n", error.what());
    return 2;
  }
  return 0;
}
