#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// A small writer of JSON text, one value after another; commas are its business. Texts
// are taken as bytes: well-formed UTF-8 passes, any other byte above 127 is written as \u00XX
// (its Latin-1 reading), so the output is always valid JSON.
class JsonWriter {
public:
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The name of the next member of the current object; its value follows:
  // json.Key("line").Number(3).
  JsonWriter& Key(const std::string& name);
  void String(const std::string& text);
  void Number(std::uint64_t value);
  void Bool(bool value);
  void Null();
  // A line number or a status, or null for 0, which neither ever is.
  void NumberOrNull(std::size_t value);
  // The text, or null when there is none.
  void StringOrNull(bool present, const std::string& text);

  const std::string& Text() const { return m_text; }

private:
  void Open(char bracket);
  void Close(char bracket);
  void BeforeValue();
  void Quote(const std::string& text);

  std::string m_text;
  bool m_needComma = false;
  bool m_afterKey = false;
};
