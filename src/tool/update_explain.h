#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "update/manifest_lookup.h"

// One lookup of a section as it went: the header it wanted first, each line that mattered,
// and the value it returned.
struct LookupTrace {
  struct Step {
    std::size_t line;
    LookupEvent event;  // never kFirstLine, which has members of its own
    std::string text;   // the header line, the new header, or the value
  };

  std::string versionKey;
  std::string header;         // the header wanted at the start
  std::size_t firstLine = 0;  // the line passed over; 0 for an empty manifest
  std::string firstLineText;
  std::vector<Step> steps;
  bool foundFileArgs = false;
  std::size_t fileArgsLine = 0;
  std::string value;  // what the lookup returned
  bool isHttp = false;
};

// The program's decision for one product, with the lookups it made.
struct UpdateExplanation {
  std::string name;
  std::string version;
  std::string locale;  // normalised as the product list does
  LookupTrace localeLookup;
  bool usedVersionLookup = false;  // the locale page was not an http URL
  LookupTrace versionLookup;
  std::string page;
  bool updateOffered = false;
  std::string decidedBy;  // "locale", "version" or "none"
};

// How the program decides for the product, given the manifest text as received: the
// product check's own search for the update page, observed.
UpdateExplanation ExplainUpdate(const std::string& name, const std::string& version,
                                const std::string& locale, const std::string& manifest);
