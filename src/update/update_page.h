#pragma once
#include <cstddef>
#include <string>

#include "update/manifest_lookup.h"

// The longest update page address the program offers, in characters. The page reaches the
// browser on a command line, and Wine's shell copies that line into a fixed buffer of
// 1,024 characters, overrunning it (and crashing the program) with an address of about
// 980 characters; this bound leaves room for the browser's own path. Both builds keep it.
constexpr std::size_t kMaxUpdatePageLength = 900;

// True exactly when text is a page the program offers: an http address (IsHttpUrl) of
// at most kMaxUpdatePageLength characters. Anything else is no update page.
bool IsUpdatePage(const std::string& text);

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
  // The lookup gave value, an update page (IsUpdatePage) exactly when isHttp.
  virtual void OnLookupEnded(UpdatePageLookup lookup, const std::string& value, bool isHttp) = 0;
};

// The update page the manifest names for the product: the FileArgs of its locale's section
// when that is an update page, else the FileArgs of its version's section as it is (an
// update is offered only when IsUpdatePage accepts it).
std::string FindUpdatePage(const std::string& productName, const std::string& version,
                           const std::string& locale, const std::string& manifest);

// FindUpdatePage, reporting both lookups to observer.
std::string FindUpdatePage(const std::string& productName, const std::string& version,
                           const std::string& locale, const std::string& manifest,
                           UpdatePageObserver& observer);
