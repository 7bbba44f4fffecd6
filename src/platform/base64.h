#pragma once
// Base64, the way a signature line writes a signature: the standard alphabet, with padding,
// no line breaks. Written here rather than taken from a library because the Windows
// program reads signature lines, and its imports stay the system's few.
#include <cstddef>
#include <string>
#include <vector>

namespace platform {

std::string Base64Encode(const unsigned char* data, std::size_t size);
// The bytes of a base64 text written exactly as Base64Encode writes them (padding, no
// blanks, zero bits after the last byte); false for any other text.
bool Base64Decode(const std::string& text, std::vector<unsigned char>& bytes);

}  // namespace platform
