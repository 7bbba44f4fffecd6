#pragma once
#include <string>

#include "update/manifest_lookup.h"

// The two lookups that find a product's update page, in the order they are made.
enum class UpdatePageLookup {
  kLocale,   // the section of the version and the locale: "[<name> <version> <locale>]"
  kVersion,  // the section of the version alone, when the locale's gave no http page
};

// What a report of the search for a product's update page is told: each lookup as it
// begins, its pass (as a ManifestLookupObserver), and what it gave.
class UpdatePageObserver : public ManifestLookupObserver {
public:
  // The lookup of the section "[<name> <versionKey>]" begins.
  virtual void OnLookupStarted(UpdatePageLookup lookup, const std::string& versionKey) = 0;
  // The lookup gave value, an http address exactly when isHttp.
  virtual void OnLookupEnded(UpdatePageLookup lookup, const std::string& value, bool isHttp) = 0;
};

// The update page the manifest names for the product: the FileArgs of its locale's section
// when that is an http address, else the FileArgs of its version's section as it is (an
// update is offered only when IsHttpUrl accepts it).
std::string FindUpdatePage(const std::string& productName, const std::string& version,
                           const std::string& locale, const std::string& manifest);

// FindUpdatePage, reporting both lookups to observer.
std::string FindUpdatePage(const std::string& productName, const std::string& version,
                           const std::string& locale, const std::string& manifest,
                           UpdatePageObserver& observer);
