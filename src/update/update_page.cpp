#include "update/update_page.h"

#include "update/manifest_download.h"

namespace {

// One lookup of the search, told to observer when there is one.
std::string Lookup(UpdatePageLookup lookup, const std::string& productName,
                   const std::string& versionKey, const std::string& manifest,
                   UpdatePageObserver* observer) {
  if (observer == nullptr)
    return FindFileArgs(productName, versionKey, manifest);
  observer->OnLookupStarted(lookup, versionKey);
  std::string value = FindFileArgs(productName, versionKey, manifest, *observer);
  observer->OnLookupEnded(lookup, value, IsUpdatePage(value));
  return value;
}

std::string Search(const std::string& productName, const std::string& version,
                   const std::string& locale, const std::string& manifest,
                   UpdatePageObserver* observer) {
  const std::string page =
      Lookup(UpdatePageLookup::kLocale, productName, version + " " + locale, manifest, observer);
  if (IsUpdatePage(page))
    return page;
  return Lookup(UpdatePageLookup::kVersion, productName, version, manifest, observer);
}

}  // namespace

bool IsUpdatePage(const std::string& text) {
  return text.size() <= kMaxUpdatePageLength && IsHttpUrl(text);
}

std::string FindUpdatePage(const std::string& productName, const std::string& version,
                           const std::string& locale, const std::string& manifest) {
  return Search(productName, version, locale, manifest, nullptr);
}

std::string FindUpdatePage(const std::string& productName, const std::string& version,
                           const std::string& locale, const std::string& manifest,
                           UpdatePageObserver& observer) {
  return Search(productName, version, locale, manifest, &observer);
}
