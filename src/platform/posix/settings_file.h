#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace platform {
namespace posix {

// The text of the per-user settings file, in the manner of a registry export:
//
//   [Software\Kavex\WebUpdates]
//   "URL"="http://updates.example.com/misc/update.ini"
//   @="the key's default value"
//
// Lines beginning with '#' or ';' and blank lines are comments. Inside quotes the escapes
// are \\ \" \n \r \t and \xHH; other bytes stand for themselves. Storing a value rewrites
// only its own line, so a hand-written layout and its comments survive byte for byte.
class SettingsDocument {
public:
  // The first line that could not be read: its number, counted from 1, and its text
  // without the line end.
  struct ParseError {
    std::size_t lineNumber = 0;
    std::string lineText;
  };

  // Takes the file's bytes. False, leaving the document empty and describing the first
  // bad line in error (when given), when any line is not understood: such a file must be
  // neither trusted nor overwritten.
  bool Parse(const std::string& content, ParseError* error = nullptr);
  // The file's bytes. Lines read from the file keep their own line ends (LF, CR LF, or
  // none on a last line); lines the program writes end in a line feed, and a last line
  // without a line end gets one when a line is added after it.
  std::string Serialize() const;

  // True when the key has a header of its own or is the parent of one that has;
  // the empty path (the user's root) always exists.
  bool HasKey(const std::string& keyPath) const;
  // The value's data, when the key holds a value of that name. A name given twice
  // under one key reads as its last occurrence, as a registry import would leave it.
  bool FindValue(const std::string& keyPath, const std::string& name, std::string& data) const;

  // Adds a header for a key that does not exist yet. True when the document changed.
  bool AddKey(const std::string& keyPath);
  // Replaces the value's line, or adds it to the key's last section (or a new section).
  void SetValue(const std::string& keyPath, const std::string& name, const std::string& data);

private:
  enum class LineKind { kOther, kHeader, kValue };
  struct Line {
    LineKind kind = LineKind::kOther;
    std::string text;        // as written, without its line end
    std::string end = "\n";  // the line end as written: "\n", "\r\n", "\r" or none
    std::string key;         // header: its key path; value: the key of its section
    std::string name;        // value only
    std::string data;        // value only
  };

  // The index of the line that holds the value, the last one when it is given twice;
  // the number of lines when there is none.
  std::size_t FindValueLine(const std::string& keyPath, const std::string& name) const;
  static Line HeaderLine(const std::string& keyPath);
  static Line ValueLine(const std::string& keyPath, const std::string& name,
                        const std::string& data);
  // Reads one line into its kind, key, name and data; false when it is not understood.
  static bool ParseLine(Line& line, bool first, bool& inSection, std::string& sectionKey);
  // Inserts a line of the program's making before index.
  void InsertLine(std::size_t index, Line line);

  std::vector<Line> m_lines;
};

// A key path the file can hold: key names separated by single backslashes, none of them
// empty, and no ASCII control character anywhere. The empty path is the user's root.
bool IsValidKeyPath(const std::string& keyPath);

// A name or value as written between quotes in the file, quotes included.
std::string QuoteSettingsText(const std::string& text);

// A text from the file escaped to be fit for a terminal or a log: printable ASCII as it is
// (a backslash and a quote escaped), every other byte as \xHH, and "..." in place of what
// follows the first limit bytes.
std::string EscapeSettingsText(const std::string& text, std::size_t limit);

}  // namespace posix
}  // namespace platform
