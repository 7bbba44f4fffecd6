#include "tool/update_explain.h"

#include <string_view>

#include "products/product_list.h"
#include "update/manifest_download.h"
#include "update/manifest_lookup.h"

namespace {

class TraceObserver : public ManifestLookupObserver {
public:
  explicit TraceObserver(LookupTrace& trace) : m_trace(trace) {}

  void OnFirstLine(std::size_t line, std::string_view text) override {
    m_trace.firstLine = line;
    m_trace.firstLineText = std::string(text);
  }
  void OnHeaderOpened(std::size_t line, std::string_view text) override {
    Add(line, "opened", text);
  }
  void OnSectionClosed(std::size_t line, std::string_view text) override {
    Add(line, "closed", text);
  }
  void OnRedirect(std::size_t line, std::string_view header) override {
    Add(line, "redirect", header);
  }
  void OnFileArgs(std::size_t line, std::string_view value) override {
    Add(line, "fileargs", value);
    m_trace.foundFileArgs = true;
    m_trace.fileArgsLine = line;
  }

private:
  void Add(std::size_t line, const char* event, std::string_view text) {
    m_trace.steps.push_back(LookupTrace::Step{line, event, std::string(text)});
  }

  LookupTrace& m_trace;
};

LookupTrace TraceLookup(const std::string& name, const std::string& versionKey,
                        const std::string& manifest) {
  LookupTrace trace;
  trace.versionKey = versionKey;
  trace.header = "[" + name + " " + versionKey + "]";
  TraceObserver observer(trace);
  trace.value = FindFileArgs(name, versionKey, manifest, observer);
  trace.isHttp = IsHttpUrl(trace.value);
  return trace;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

void DescribeLookup(const LookupTrace& trace, std::string& out) {
  out += "  looking for " + trace.header + "\n";
  if (trace.firstLine != 0)
    out += "    line " + std::to_string(trace.firstLine) +
           ": first line, never read: " + Quoted(trace.firstLineText) + "\n";
  for (const LookupTrace::Step& step : trace.steps) {
    out += "    line " + std::to_string(step.line) + ": ";
    if (step.event == "opened")
      out += step.text + " opens the section\n";
    else if (step.event == "closed")
      out += step.text + " ends the section\n";
    else if (step.event == "redirect")
      out += "Sections redirects to " + step.text + " and ends the section\n";
    else
      out += "FileArgs gives " + Quoted(step.text) + "\n";
  }
  if (!trace.foundFileArgs) {
    const LookupTrace::Step* last = trace.steps.empty() ? nullptr : &trace.steps.back();
    std::string why;
    if (last != nullptr && last->event == "redirect")
      why = "no header " + last->text + " below line " + std::to_string(last->line);
    else if (last != nullptr)
      why = "the section has no FileArgs line";
    else
      why = "no header " + trace.header + " below the first line";
    out += "    no FileArgs found: " + why + "\n";
  } else if (trace.isHttp) {
    out += "    an http address: usable\n";
  } else {
    out += "    not an http address: not usable\n";
  }
}

}  // namespace

UpdateExplanation ExplainUpdate(const std::string& name, const std::string& version,
                                const std::string& locale, const std::string& manifest) {
  UpdateExplanation explanation;
  ProductInfo product;
  product.Name = name;
  product.Version = version;
  product.Locale = locale;
  NormaliseLocale(product);
  explanation.name = name;
  explanation.version = version;
  explanation.locale = product.Locale;

  // The product check's order: the locale's section, then the version's alone.
  explanation.localeLookup = TraceLookup(name, version + " " + product.Locale, manifest);
  if (explanation.localeLookup.isHttp) {
    explanation.page = explanation.localeLookup.value;
    explanation.decidedBy = "locale";
  } else {
    explanation.usedVersionLookup = true;
    explanation.versionLookup = TraceLookup(name, version, manifest);
    explanation.page = explanation.versionLookup.value;
    explanation.decidedBy = explanation.versionLookup.isHttp ? "version" : "none";
  }
  explanation.updateOffered = IsHttpUrl(explanation.page);
  return explanation;
}

std::string DescribeExplanation(const UpdateExplanation& explanation) {
  std::string out = "Product " + explanation.name + ", version " + explanation.version +
                    ", locale " + explanation.locale + "\n";
  out += "locale lookup:\n";
  DescribeLookup(explanation.localeLookup, out);
  if (explanation.usedVersionLookup) {
    out += "version lookup (the locale gave no http page):\n";
    DescribeLookup(explanation.versionLookup, out);
  }
  if (explanation.updateOffered)
    out += "Result: update offered, page " + explanation.page + " (from the " +
           explanation.decidedBy + " section)\n";
  else
    out += "Result: no update (" +
           (explanation.page.empty()
                ? std::string("no page")
                : "page " + Quoted(explanation.page) + " is not an http address") +
           ")\n";
  return out;
}
