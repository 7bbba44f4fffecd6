// The tag cutting of product description files and ReadProductFile: a cut is always a
// piece of its source, a parsed product's fields are pieces of the text, and reading a
// file never raises and adds the product of the file's joined lines, or nothing.
//
// Input: a length byte and a start tag, a length byte and an end tag, then the text. The
// whole input is also taken as a product file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/run_log.h"
#include "fuzz_check.h"
#include "products/product_files.h"

namespace {

// The file's lines, each followed by LF: a line ends with LF or CR LF.
std::string JoinedLines(const std::string& bytes) {
  std::string joined;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    std::string line = bytes.substr(start, end == std::string::npos ? end : end - start);
    if (end != std::string::npos && !line.empty() && line.back() == '\r')
      line.pop_back();
    joined += line;
    joined += '\n';
    start = end == std::string::npos ? bytes.size() : end + 1;
  }
  return joined;
}

void CheckCuts(const std::string& source, const std::string& startTag, const std::string& endTag) {
  try {
    const std::string after = TextAfter(source, startTag);
    KWU_FUZZ_CHECK(after.size() <= source.size() &&
                   source.compare(source.size() - after.size(), after.size(), after) == 0);
  } catch (const TagNotFound&) {
    KWU_FUZZ_CHECK(!fuzz::Contains(source, startTag));
  }
  try {
    const std::string before = TextBefore(source, endTag);
    KWU_FUZZ_CHECK(source.compare(0, before.size(), before) == 0);
    // The first occurrence: none ends before the one cut at.
    if (!endTag.empty())
      KWU_FUZZ_CHECK(!fuzz::Contains(before + endTag.substr(0, endTag.size() - 1), endTag));
  } catch (const TagNotFound&) {
    KWU_FUZZ_CHECK(!fuzz::Contains(source, endTag));
  }
  try {
    const std::string between = TextBetween(source, startTag, endTag);
    KWU_FUZZ_CHECK(fuzz::Contains(source, between));
    KWU_FUZZ_CHECK(fuzz::Contains(source, startTag + between + endTag));
  } catch (const TagNotFound&) {
  }
}

void CheckProduct(const ProductInfo& product, const std::string& text) {
  KWU_FUZZ_CHECK(fuzz::Contains(text, "<Name>" + product.Name + "</Name>"));
  KWU_FUZZ_CHECK(fuzz::Contains(text, "<Version>" + product.Version + "</Version>"));
  KWU_FUZZ_CHECK(fuzz::Contains(text, "<Locale>" + product.Locale + "</Locale>"));
  KWU_FUZZ_CHECK(!fuzz::Contains(product.Name, "</Name>"));
  KWU_FUZZ_CHECK(!fuzz::Contains(product.Version, "</Version>"));
  KWU_FUZZ_CHECK(!fuzz::Contains(product.Locale, "</Locale>"));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::ScratchFile::Make("kwu_product_fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz::InputCutter input(data, size);
  const std::string startTag = input.ShortText(16);
  const std::string endTag = input.ShortText(16);
  CheckCuts(input.Rest(), startTag, endTag);

  const std::string joined = JoinedLines(bytes);
  bool parsed = false;
  ProductInfo product;
  try {
    product = ParseProductDescription(joined);
    parsed = true;
    CheckProduct(product, joined);
  } catch (const TagNotFound&) {
  }

  fuzz::ScratchFile::Write(data, size);  // the file's bytes become the input's

  ProductList products;
  g_log.clear();
  try {
    ReadProductFile(products, fuzz::ScratchFile::Path());
  } catch (...) {
    KWU_FUZZ_CHECK(!"ReadProductFile raised");
  }
  KWU_FUZZ_CHECK(products.GetCount() <= 1);
  const bool expected = parsed && !product.Name.empty() && !product.Version.empty();
  KWU_FUZZ_CHECK(products.GetCount() == (expected ? 1u : 0u));
  if (expected) {
    NormaliseLocale(product);
    KWU_FUZZ_CHECK(products.GetAt(0).GetKey() == product.GetKey());
  }
  return 0;
}
