#include "platform/base64.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string Base64Encode(const unsigned char* data, std::size_t size) {
  std::string text;
  text.reserve((size + 2) / 3 * 4);
  for (std::size_t i = 0; i < size; i += 3) {
    const std::size_t count = std::min<std::size_t>(3, size - i);
    unsigned long group = static_cast<unsigned long>(data[i]) << 16;
    if (count > 1)
      group |= static_cast<unsigned long>(data[i + 1]) << 8;
    if (count > 2)
      group |= data[i + 2];
    for (std::size_t j = 0; j < 4; ++j)
      text += j <= count ? kBase64Alphabet[(group >> (18 - 6 * j)) & 0x3F] : '=';
  }
  return text;
}

bool Base64Decode(const std::string& text, std::vector<unsigned char>& bytes) {
  bytes.clear();
  if (text.size() % 4 != 0)
    return false;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    // Only the last group may end in one or two "=".
    std::size_t padding = 0;
    if (i + 4 == text.size() && text[i + 3] == '=')
      padding = text[i + 2] == '=' ? 2 : 1;
    unsigned long group = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      unsigned long value = 0;
      if (j < 4 - padding) {
        const char c = text[i + j];
        const char* found = c == '\0' ? nullptr : std::strchr(kBase64Alphabet, c);
        if (found == nullptr)
          return false;
        value = static_cast<unsigned long>(found - kBase64Alphabet);
      }
      group = group << 6 | value;
    }
    // The bits that padding stands for are zero in the one way of writing the bytes.
    if ((padding == 1 && (group & 0xFF) != 0) || (padding == 2 && (group & 0xFFFF) != 0))
      return false;
    bytes.push_back(static_cast<unsigned char>(group >> 16));
    if (padding < 2)
      bytes.push_back(static_cast<unsigned char>(group >> 8));
    if (padding < 1)
      bytes.push_back(static_cast<unsigned char>(group));
  }
  return true;
}

}  // namespace platform
