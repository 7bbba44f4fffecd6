#pragma once
#include <cstddef>
#include <string>
#include <vector>

// One FindFileArgs call as it went: the header it wanted first, each line that mattered,
// and the value it returned.
struct LookupTrace {
  struct Step {
    std::size_t line;
    std::string event;  // "opened", "closed", "redirect", "fileargs"
    std::string text;   // the header line, the new header, or the value
  };

  std::string versionKey;
  std::string header;         // the header wanted at the start
  std::size_t firstLine = 0;  // the line passed over; 0 for an empty manifest
  std::string firstLineText;
  std::vector<Step> steps;
  bool foundFileArgs = false;
  std::size_t fileArgsLine = 0;
  std::string value;  // what FindFileArgs returned
  bool isHttp = false;
};

// The program's decision for one product, with both lookups it would make.
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

// How the program would decide for the product, given the manifest text as received.
UpdateExplanation ExplainUpdate(const std::string& name, const std::string& version,
                                const std::string& locale, const std::string& manifest);

// The explanation as lines of text for a reader.
std::string DescribeExplanation(const UpdateExplanation& explanation);
