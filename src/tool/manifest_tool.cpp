#include "tool/manifest_tool.h"

#include <cstdio>
#include <memory>

#include "platform/internet.h"
#include "platform/url.h"
#include "tool/json_writer.h"
#include "tool/manifest_check.h"
#include "tool/product_report.h"
#include "tool/update_explain.h"
#include "update/manifest_download.h"

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

const char* ResultName(int result) {
  switch (result) {
    case DL_OK: return "DL_OK";
    case DL_INTERNET_ERROR: return "DL_INTERNET_ERROR";
    case DL_UPDATE_ERROR: return "DL_UPDATE_ERROR";
    case DL_UNKNOWN_ERROR: return "DL_UNKNOWN_ERROR";
  }
  return "DL_UNKNOWN_ERROR";
}

// The manifest and how it was obtained.
struct Source {
  std::string name;
  bool downloaded = false;
  bool usable = false;
  int result = DL_OK;
  std::string errorText;
  unsigned long status = 0;  // of a failed download, when a second look could read it
  bool hasLocation = false;
  std::string location;
  std::string text;
};

// A second request like the program's, only to read what a failed answer said: its status
// and, for a redirection, where it points.
void LookAtAnswer(Source& source) {
  try {
    CWebUpdateSession session;
    std::unique_ptr<platform::CHttpConnection> connection;
    std::unique_ptr<platform::CHttpFile> request;
    // The same request the download makes, from the same parser's parts.
    platform::ParsedUrl parts;
    if (!platform::ParseUrl(source.name, parts))
      return;
    connection = session.GetHttpConnection(parts.server, parts.port);
    request = connection->OpenRequest(
        "GET", parts.object, 1,
        platform::kInternetFlagExistingConnect | platform::kInternetFlagNoAutoRedirect);
    request->SendRequest();
    unsigned long status = 0;
    if (request->QueryInfoStatusCode(status))
      source.status = status;
    source.hasLocation = request->QueryInfoLocation(source.location);
    request->Close();
    connection->Close();
    session.Close();
  } catch (...) {
    // The program's own verdict stands; the second look only adds detail when it can.
  }
}

bool LoadSource(const std::string& name, Source& source) {
  source.name = name;
  if (IsHttpUrl(name) || name.find("://") != std::string::npos) {
    source.downloaded = true;
    try {
      source.result = DownloadManifest(name, source.text, source.errorText);
    } catch (const platform::CInternetException& exception) {
      source.result = DL_UNKNOWN_ERROR;
      source.errorText = "the internet session does not open: " + InternetErrorText(exception);
    }
    if (source.result == DL_UPDATE_ERROR && IsHttpUrl(name))
      LookAtAnswer(source);
    source.usable = source.result == DL_OK;
    return source.usable;
  }
  std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(name.c_str(), "rb"),
                                                          &std::fclose);
  if (!file) {
    source.errorText = "the file does not open";
    return false;
  }
  char buffer[65536];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    source.text.append(buffer, count);
  if (std::ferror(file.get())) {
    source.errorText = "the file cannot be read";
    return false;
  }
  source.usable = true;
  return true;
}

bool IsRedirection(const Source& source) {
  return source.status >= 300 && source.status < 400;
}

void DescribeSource(const Source& source, std::string& out) {
  out += "source: " + source.name + "\n";
  if (!source.downloaded) {
    out += source.usable ? "read: " + std::to_string(source.text.size()) + " bytes\n"
                         : "not readable: " + source.errorText + "\n";
    return;
  }
  if (source.usable) {
    out += "download: DL_OK, " + std::to_string(source.text.size()) + " bytes\n";
    return;
  }
  out += std::string("download: ") + ResultName(source.result) + ": " + source.errorText + "\n";
  if (IsRedirection(source)) {
    out += "  the server redirects (" + std::to_string(source.status) +
           ") to: " + (source.hasLocation ? source.location : std::string("(no Location header)")) +
           "\n";
    out +=
        "  The program does not follow redirections: every check fails with this error.\n"
        "  Serve the manifest at this address itself, over http, with status 200.\n";
  }
}

void SourceJson(const Source& source, JsonWriter& json) {
  json.Key("source");
  json.BeginObject();
  json.Key("name");
  json.String(source.name);
  json.Key("kind");
  json.String(source.downloaded ? "url" : "file");
  json.Key("usable");
  json.Bool(source.usable);
  if (source.downloaded) {
    json.Key("result");
    json.String(ResultName(source.result));
  }
  json.Key("error");
  json.String(source.errorText);
  json.Key("status");
  if (source.status != 0)
    json.Number(source.status);
  else
    json.Null();
  json.Key("location");
  if (source.hasLocation)
    json.String(source.location);
  else
    json.Null();
  json.Key("bytes");
  json.Number(source.text.size());
  json.EndObject();
}

void LookupJson(const LookupTrace& trace, JsonWriter& json) {
  json.BeginObject();
  json.Key("versionKey");
  json.String(trace.versionKey);
  json.Key("header");
  json.String(trace.header);
  json.Key("firstLine");
  if (trace.firstLine != 0)
    json.Number(trace.firstLine);
  else
    json.Null();
  json.Key("sectionLines");
  json.BeginArray();
  for (const auto& step : trace.steps) {
    if (step.event == "opened")
      json.Number(step.line);
  }
  json.EndArray();
  json.Key("redirects");
  json.BeginArray();
  for (const auto& step : trace.steps) {
    if (step.event != "redirect")
      continue;
    json.BeginObject();
    json.Key("line");
    json.Number(step.line);
    json.Key("header");
    json.String(step.text);
    json.EndObject();
  }
  json.EndArray();
  json.Key("steps");
  json.BeginArray();
  for (const auto& step : trace.steps) {
    json.BeginObject();
    json.Key("line");
    json.Number(step.line);
    json.Key("event");
    json.String(step.event);
    json.Key("text");
    json.String(step.text);
    json.EndObject();
  }
  json.EndArray();
  json.Key("fileArgsLine");
  if (trace.foundFileArgs)
    json.Number(trace.fileArgsLine);
  else
    json.Null();
  json.Key("value");
  json.String(trace.value);
  json.Key("isHttp");
  json.Bool(trace.isHttp);
  json.EndObject();
}

void ExplanationJson(const UpdateExplanation& explanation, JsonWriter& json) {
  json.BeginObject();
  json.Key("product");
  json.BeginObject();
  json.Key("name");
  json.String(explanation.name);
  json.Key("version");
  json.String(explanation.version);
  json.Key("locale");
  json.String(explanation.locale);
  json.EndObject();
  json.Key("page");
  json.String(explanation.page);
  json.Key("updateOffered");
  json.Bool(explanation.updateOffered);
  json.Key("decidedBy");
  json.String(explanation.decidedBy);
  json.Key("lookups");
  json.BeginArray();
  LookupJson(explanation.localeLookup, json);
  if (explanation.usedVersionLookup)
    LookupJson(explanation.versionLookup, json);
  json.EndArray();
  json.EndObject();
}

int SourceFailure(const char* command, const Source& source, bool asJson, std::string& out) {
  if (asJson) {
    JsonWriter json;
    json.BeginObject();
    json.Key("command");
    json.String(command);
    SourceJson(source, json);
    json.EndObject();
    out += json.Text() + "\n";
  } else {
    DescribeSource(source, out);
  }
  return kExitUnusable;
}

int Check(const std::vector<std::string>& args, bool asJson, std::string& out) {
  Source source;
  if (!LoadSource(args[0], source))
    return SourceFailure("check", source, asJson, out);
  const std::vector<ManifestFinding> findings = CheckManifest(source.text);
  if (asJson) {
    JsonWriter json;
    json.BeginObject();
    json.Key("command");
    json.String("check");
    SourceJson(source, json);
    json.Key("findings");
    json.BeginArray();
    for (const ManifestFinding& finding : findings) {
      json.BeginObject();
      json.Key("line");
      json.Number(finding.line);
      json.Key("kind");
      json.String(finding.kind);
      json.Key("message");
      json.String(finding.message);
      json.Key("fix");
      json.String(finding.fix);
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    out += json.Text() + "\n";
  } else {
    DescribeSource(source, out);
    for (const ManifestFinding& finding : findings) {
      out += "line " + std::to_string(finding.line) + ": " + finding.kind + ": " + finding.message +
             "\n  fix: " + finding.fix + "\n";
    }
    out += findings.empty() ? std::string("no findings\n")
                            : std::to_string(findings.size()) + " finding(s)\n";
  }
  return findings.empty() ? kExitClean : kExitFindings;
}

int Explain(const std::vector<std::string>& args, bool asJson, std::string& out) {
  Source source;
  if (!LoadSource(args[0], source))
    return SourceFailure("explain", source, asJson, out);
  const UpdateExplanation explanation =
      ExplainUpdate(args[1], args[2], args.size() > 3 ? args[3] : std::string(), source.text);
  if (asJson) {
    JsonWriter json;
    json.BeginObject();
    json.Key("command");
    json.String("explain");
    SourceJson(source, json);
    json.Key("explanation");
    ExplanationJson(explanation, json);
    json.EndObject();
    out += json.Text() + "\n";
  } else {
    DescribeSource(source, out);
    out += DescribeExplanation(explanation);
  }
  return kExitClean;
}

int Products(const std::vector<std::string>& args, bool asJson, std::string& out,
             std::string& err) {
  Source source;
  if (!LoadSource(args[0], source))
    return SourceFailure("products", source, asJson, out);
  std::string folder;
  if (args.size() > 1) {
    folder = args[1];
  } else if (!DefaultProductFolder(folder)) {
    err += "kavexwebupd-manifest: the common application-data folder is not available\n";
    return kExitUnusable;
  }
  std::string pattern;
  const std::vector<ProductFileReport> reports = ReadProductFolder(folder, pattern);
  bool skipped = false;
  JsonWriter json;
  if (asJson) {
    json.BeginObject();
    json.Key("command");
    json.String("products");
    SourceJson(source, json);
    json.Key("pattern");
    json.String(pattern);
    json.Key("files");
    json.BeginArray();
  } else {
    DescribeSource(source, out);
    out += "product files: " + pattern + "\n";
  }
  for (const ProductFileReport& report : reports) {
    skipped = skipped || !report.taken;
    if (asJson) {
      json.BeginObject();
      json.Key("path");
      json.String(report.path);
      json.Key("taken");
      json.Bool(report.taken);
      json.Key("reason");
      if (report.taken)
        json.Null();
      else
        json.String(report.reason);
      json.Key("message");
      json.String(report.message);
      json.Key("explanation");
      if (report.taken)
        ExplanationJson(ExplainUpdate(report.product.Name, report.product.Version,
                                      report.product.Locale, source.text),
                        json);
      else
        json.Null();
      json.EndObject();
    } else if (report.taken) {
      out += "\n" + report.path + ":\n" +
             DescribeExplanation(ExplainUpdate(report.product.Name, report.product.Version,
                                               report.product.Locale, source.text));
    } else {
      out += "\n" + report.path + ": skipped (" + report.reason + "): " + report.message + "\n";
    }
  }
  if (asJson) {
    json.EndArray();
    json.EndObject();
    out += json.Text() + "\n";
  } else if (reports.empty()) {
    out += "no product files\n";
  }
  return skipped ? kExitFindings : kExitClean;
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
  const auto usageError = [&err](const std::string& why) {
    err += "kavexwebupd-manifest: " + why + "\n" + kUsage;
    return kExitUnusable;
  };
  if (words.empty())
    return usageError("no command");
  const std::string command = words.front();
  const std::vector<std::string> args(words.begin() + 1, words.end());
  try {
    if (command == "check") {
      if (args.size() != 1)
        return usageError("check takes one SOURCE");
      return Check(args, asJson, out);
    }
    if (command == "explain") {
      if (args.size() < 3 || args.size() > 4)
        return usageError("explain takes SOURCE NAME VERSION [LOCALE]");
      return Explain(args, asJson, out);
    }
    if (command == "products") {
      if (args.empty() || args.size() > 2)
        return usageError("products takes SOURCE [FOLDER]");
      return Products(args, asJson, out, err);
    }
  } catch (const std::exception& error) {
    err += std::string("kavexwebupd-manifest: ") + error.what() + "\n";
    return kExitUnusable;
  }
  return usageError("unknown command " + command);
}
