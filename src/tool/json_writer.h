#pragma once
#include <cstddef>
#include <string>

// A small writer of JSON text, one value after another; commas are its business. Texts
// are taken as bytes: valid UTF-8 passes, any other byte above 127 is written as \u00XX
// (its Latin-1 reading), so the output is always valid JSON.
class JsonWriter {
public:
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The name of the next member of the current object.
  void Key(const std::string& name);
  void String(const std::string& text);
  void Number(std::size_t value);
  void Bool(bool value);
  void Null();

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
