#pragma once
#include <string>

#include "platform/pe_resources.h"

// A string-table entry of an image read by the PE reader, decoded as the program decodes
// the entries of any module.
inline bool FindImageString(const platform::PeResources& resources, unsigned id,
                            std::string& text) {
  platform::ResourceBytes block;
  return resources.Find(platform::kResourceString, id / 16 + 1, block) &&
         platform::DecodeStringTableEntry(block, id % 16, text);
}
