#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The FileArgs value of the manifest section headed "[<productName> <versionKey>]",
// following Sections redirections downwards; the empty text when there is none.
std::string FindFileArgs(const std::string& productName, const std::string& versionKey,
                         const std::string& manifest);

// What one lookup met on a line that mattered to its decision.
enum class LookupEvent {
  kFirstLine,      // the first line, passed over without being examined
  kHeaderOpened,   // a line equal to the wanted header opened (or reopened) the section
  kSectionClosed,  // a header that is not the wanted one ended the open section
  kRedirect,       // a Sections line of the open section made another header the wanted one
  kFileArgs,       // the FileArgs line that gave the result
};

// What one lookup passes, for a report of how it decided. Line numbers are those a text
// editor shows: LF, CR LF and a lone CR each end a line, the first line is 1.
class ManifestLookupObserver {
public:
  virtual ~ManifestLookupObserver() = default;
  // text is the trimmed line, except for kRedirect (the new wanted header) and kFileArgs
  // (the value); it lives only for the call.
  virtual void OnLookupEvent(LookupEvent event, std::size_t line, std::string_view text) = 0;
};

// FindFileArgs, reporting its pass to observer.
std::string FindFileArgs(const std::string& productName, const std::string& versionKey,
                         const std::string& manifest, ManifestLookupObserver& observer);

// The header of the section the lookup wants first: "[" + productName + " " + versionKey + "]".
std::string SectionHeader(const std::string& productName, const std::string& versionKey);

// The lookup's own tests of a trimmed line, for reports that must judge lines exactly as
// it does. The keys are matched as prefixes, in this letter case.
inline constexpr char kFileArgsKey[] = "FileArgs";
inline constexpr char kSectionsKey[] = "Sections";
// Whether line is the header wanted: equal as a whole, letter case aside.
bool IsManifestHeader(std::string_view line, std::string_view wantedHeader);
// The text after the line's first "=", or the whole line when it has none; trimmed.
std::string_view ManifestValue(std::string_view line);
// The header a Sections line makes the wanted one: "[" + its value + "]".
std::string RedirectionHeader(std::string_view sectionsLine);

// Calls visit for every line of the manifest as the lookup splits it (runs of line breaks
// are one break, so no line is empty), with its line number as above and the line
// trimmed of white space as the lookup trims it.
void ForEachManifestLine(const std::string& manifest,
                         const std::function<void(std::size_t line, std::string_view text)>& visit);
