#include "tool/update_explain.h"

#include <string_view>

#include "products/product_list.h"
#include "update/manifest_download.h"
#include "update/update_page.h"

namespace {

// Records the search into an explanation: each lookup into its trace.
class TraceObserver : public UpdatePageObserver {
public:
  explicit TraceObserver(UpdateExplanation& explanation) : m_explanation(explanation) {}

  void OnLookupStarted(UpdatePageLookup lookup, const std::string& versionKey) override {
    m_trace = lookup == UpdatePageLookup::kLocale ? &m_explanation.localeLookup
                                                  : &m_explanation.versionLookup;
    m_explanation.usedVersionLookup = lookup == UpdatePageLookup::kVersion;
    m_trace->versionKey = versionKey;
    m_trace->header = SectionHeader(m_explanation.name, versionKey);
  }

  void OnLookupEvent(LookupEvent event, std::size_t line, std::string_view text) override {
    if (event == LookupEvent::kFirstLine) {
      m_trace->firstLine = line;
      m_trace->firstLineText = std::string(text);
      return;
    }
    m_trace->steps.push_back(LookupTrace::Step{line, event, std::string(text)});
    if (event == LookupEvent::kFileArgs) {
      m_trace->foundFileArgs = true;
      m_trace->fileArgsLine = line;
    }
  }

  void OnLookupEnded(UpdatePageLookup lookup, const std::string& value, bool isHttp) override {
    m_trace->value = value;
    m_trace->isHttp = isHttp;
    if (isHttp)
      m_explanation.decidedBy = lookup == UpdatePageLookup::kLocale ? "locale" : "version";
  }

private:
  UpdateExplanation& m_explanation;
  LookupTrace* m_trace = nullptr;
};

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
  explanation.decidedBy = "none";

  TraceObserver observer(explanation);
  explanation.page = FindUpdatePage(name, version, product.Locale, manifest, observer);
  explanation.updateOffered = IsUpdatePage(explanation.page);
  return explanation;
}
