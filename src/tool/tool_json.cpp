// The tool's results as JSON (docs/manifest-tool.md): one writer per kind of result.
#include "tool/json_writer.h"
#include "tool/tool_output.h"

namespace {

const char* CommandName(ToolCommand command) {
  switch (command) {
    case ToolCommand::kCheck: return "check";
    case ToolCommand::kExplain: return "explain";
    case ToolCommand::kProducts: return "products";
  }
  return "";
}

const char* EventName(LookupEvent event) {
  switch (event) {
    case LookupEvent::kFirstLine: return "first";
    case LookupEvent::kHeaderOpened: return "opened";
    case LookupEvent::kSectionClosed: return "closed";
    case LookupEvent::kRedirect: return "redirect";
    case LookupEvent::kFileArgs: return "fileargs";
  }
  return "";
}

void Write(JsonWriter& json, const ManifestSource& source) {
  json.BeginObject();
  json.Key("name").String(source.name);
  json.Key("kind").String(source.downloaded ? "url" : "file");
  json.Key("usable").Bool(source.usable);
  if (source.downloaded)
    json.Key("result").String(DownloadResultName(source.result));
  json.Key("error").String(source.errorText);
  json.Key("status").NumberOrNull(source.status);
  json.Key("location").StringOrNull(source.hasLocation, source.location);
  json.Key("bytes").Number(source.text.size());
  json.EndObject();
}

void Write(JsonWriter& json, const SignatureReport& report) {
  const ManifestSignature& signature = report.signature;
  json.BeginObject();
  json.Key("key").String(report.key.name);
  json.Key("builtIn").Bool(report.key.builtIn);
  json.Key("keyId").String(report.keyId);
  json.Key("keyIds").BeginArray();
  for (const ManifestKey& key : report.key.keys)
    json.String(key.id);
  json.EndArray();
  json.Key("status").String(SignatureStatusName(signature.status));
  json.Key("line").NumberOrNull(signature.line);
  json.Key("signedBy").StringOrNull(!signature.keyId.empty(), signature.keyId);
  json.Key("signedByKeys").BeginArray();
  for (const std::string& id : signature.keyIds)
    json.String(id);
  json.EndArray();
  json.Key("signedBytes").Number(signature.signedBytes);
  json.Key("uncoveredBytes").Number(signature.uncoveredBytes);
  json.Key("message").String(SignatureMessage(report));
  json.Key("fix").String(SignatureFix(report));
  json.EndObject();
}

void Write(JsonWriter& json, const FreshnessReport& report) {
  const ManifestFreshness& freshness = report.freshness;
  const bool present = freshness.status == FreshnessStatus::kPresent;
  json.BeginObject();
  json.Key("status").String(FreshnessStatusName(freshness.status));
  json.Key("line").NumberOrNull(freshness.line);
  json.Key("sequence");
  if (present)
    json.Number(freshness.sequence);
  else
    json.Null();
  json.Key("expires").StringOrNull(
      present, freshness.expires ? UtcTimeText(freshness.expiry) : std::string("never"));
  json.Key("expired").Bool(FreshnessExpired(report));
  json.Key("daysLeft");
  if (present && freshness.expires && !FreshnessExpired(report))
    json.Number(static_cast<std::uint64_t>(FreshnessDaysLeft(report)));
  else
    json.Null();
  json.Key("canBeFrozen").Bool(present && !freshness.expires);
  json.Key("message").String(FreshnessMessage(report));
  json.Key("fix").String(FreshnessFix(report));
  json.EndObject();
}

void Write(JsonWriter& json, const ManifestFinding& finding) {
  json.BeginObject();
  json.Key("line").Number(finding.line);
  json.Key("kind").String(finding.kind);
  json.Key("message").String(finding.message);
  json.Key("fix").String(finding.fix);
  json.EndObject();
}

void Write(JsonWriter& json, const LookupTrace::Step& step) {
  json.BeginObject();
  json.Key("line").Number(step.line);
  json.Key("event").String(EventName(step.event));
  json.Key("text").String(step.text);
  json.EndObject();
}

void Write(JsonWriter& json, const LookupTrace& trace) {
  json.BeginObject();
  json.Key("versionKey").String(trace.versionKey);
  json.Key("header").String(trace.header);
  json.Key("firstLine").NumberOrNull(trace.firstLine);
  json.Key("sectionLines").BeginArray();
  for (const LookupTrace::Step& step : trace.steps) {
    if (step.event == LookupEvent::kHeaderOpened)
      json.Number(step.line);
  }
  json.EndArray();
  json.Key("redirects").BeginArray();
  for (const LookupTrace::Step& step : trace.steps) {
    if (step.event != LookupEvent::kRedirect)
      continue;
    json.BeginObject();
    json.Key("line").Number(step.line);
    json.Key("header").String(step.text);
    json.EndObject();
  }
  json.EndArray();
  json.Key("steps").BeginArray();
  for (const LookupTrace::Step& step : trace.steps)
    Write(json, step);
  json.EndArray();
  json.Key("fileArgsLine").NumberOrNull(trace.foundFileArgs ? trace.fileArgsLine : 0);
  json.Key("value").String(trace.value);
  json.Key("isHttp").Bool(trace.isHttp);
  json.EndObject();
}

void Write(JsonWriter& json, const UpdateExplanation& explanation) {
  json.BeginObject();
  json.Key("product").BeginObject();
  json.Key("name").String(explanation.name);
  json.Key("version").String(explanation.version);
  json.Key("locale").String(explanation.locale);
  json.EndObject();
  json.Key("page").String(explanation.page);
  json.Key("updateOffered").Bool(explanation.updateOffered);
  json.Key("decidedBy").String(explanation.decidedBy);
  json.Key("lookups").BeginArray();
  Write(json, explanation.localeLookup);
  if (explanation.usedVersionLookup)
    Write(json, explanation.versionLookup);
  json.EndArray();
  json.EndObject();
}

void Write(JsonWriter& json, const ExplainedProductFile& file) {
  const ProductFileReport& report = file.report;
  json.BeginObject();
  json.Key("path").String(report.path);
  json.Key("taken").Bool(report.taken);
  json.Key("reason").StringOrNull(!report.taken, report.reason);
  json.Key("message").String(report.message);
  json.Key("explanation");
  if (report.taken)
    Write(json, file.explanation);
  else
    json.Null();
  json.EndObject();
}

template <class Item>
void WriteArray(JsonWriter& json, const std::vector<Item>& items) {
  json.BeginArray();
  for (const Item& item : items)
    Write(json, item);
  json.EndArray();
}

}  // namespace

std::string ResultJson(const ToolResult& result) {
  JsonWriter json;
  json.BeginObject();
  json.Key("command").String(CommandName(result.command));
  json.Key("source");
  Write(json, result.source);
  if (result.source.usable) {
    // Only with a key to check against: without one, the document is as it always was.
    if (result.signature) {
      json.Key("signature");
      Write(json, *result.signature);
    }
    if (result.freshness) {
      json.Key("freshness");
      Write(json, *result.freshness);
    }
    switch (result.command) {
      case ToolCommand::kCheck:
        json.Key("findings");
        WriteArray(json, result.findings);
        break;
      case ToolCommand::kExplain:
        json.Key("explanation");
        Write(json, result.explanation);
        break;
      case ToolCommand::kProducts:
        json.Key("pattern").String(result.pattern);
        json.Key("files");
        WriteArray(json, result.files);
        break;
    }
  }
  json.EndObject();
  return json.Text() + "\n";
}

std::string KeygenJson(const KeygenResult& result) {
  JsonWriter json;
  json.BeginObject();
  json.Key("command").String("keygen");
  json.Key("private").String(result.privatePath);
  json.Key("public").String(result.publicPath);
  json.Key("keyId").String(result.keyId);
  json.EndObject();
  return json.Text() + "\n";
}

std::string SignJson(const SignResult& result) {
  JsonWriter json;
  json.BeginObject();
  json.Key("command").String("sign");
  json.Key("manifest").String(result.manifestPath);
  json.Key("output").String(result.outputPath);
  json.Key("keyId").String(result.keyIds.front());
  json.Key("keyIds").BeginArray();
  for (const std::string& id : result.keyIds)
    json.String(id);
  json.EndArray();
  json.Key("unchanged").Bool(result.unchanged);
  json.Key("line").Number(result.signature.line);
  json.Key("signedBytes").Number(result.signature.signedBytes);
  json.Key("sequence").Number(result.freshness.sequence);
  json.Key("expires").String(result.freshness.expires ? UtcTimeText(result.freshness.expiry)
                                                      : std::string("never"));
  json.Key("expired").Bool(result.expired);
  json.EndObject();
  return json.Text() + "\n";
}
