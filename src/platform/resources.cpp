#include "platform/resources.h"

namespace platform {

namespace {

const ResourceModule* g_currentLibraryModule = nullptr;

// Strings are stored sixteen to a block: block n holds the ids 16 (n - 1) to 16 n - 1.
constexpr unsigned kStringsPerBlock = 16;

// The one place that decides where a resource comes from: the current resource module,
// else (a locale library that lacks it) the program's own resources. The module that
// answered, or null.
template <typename Lookup>
const ResourceModule* LookUpCurrentThenProgram(Lookup lookup) {
  const ResourceModule& current = CurrentResources();
  if (lookup(current))
    return &current;
  const ResourceModule& program = ProgramResourceModule();
  if (&program != &current && lookup(program))
    return &program;
  return nullptr;
}

}  // namespace

CurrentResourceModule::CurrentResourceModule(const ResourceLibrary* library)
    : m_previous(g_currentLibraryModule) {
  g_currentLibraryModule = library ? &library->GetModule() : nullptr;
}

CurrentResourceModule::~CurrentResourceModule() {
  g_currentLibraryModule = m_previous;
}

const ResourceModule& CurrentResources() {
  return g_currentLibraryModule ? *g_currentLibraryModule : ProgramResourceModule();
}

bool FindCurrentResource(unsigned type, unsigned id, FoundResource& found) {
  found.module = LookUpCurrentThenProgram([&](const ResourceModule& module) {
    return FindResourceBytes(module, type, id, found.bytes);
  });
  if (!found.module)
    found.bytes = ResourceBytes();
  return found.module != nullptr;
}

bool DecodeStringTableEntry(const ResourceBytes& block, unsigned index, std::string& text) {
  std::size_t at = 0;
  for (unsigned entry = 0; entry < kStringsPerBlock; ++entry) {
    if (at > block.size || block.size - at < 2)
      return false;
    const std::size_t length = block.data[at] | block.data[at + 1] << 8;
    at += 2;
    if ((block.size - at) / 2 < length)
      return false;
    if (entry == index) {
      if (length == 0)
        return false;
      text = ResourceTextToNarrow(block.data + at, length);
      return true;
    }
    at += 2 * length;
  }
  return false;
}

bool FindResourceString(const ResourceModule& module, unsigned id, std::string& text) {
  ResourceBytes block;
  return FindResourceBytes(module, kResourceString, id / kStringsPerBlock + 1, block) &&
         DecodeStringTableEntry(block, id % kStringsPerBlock, text);
}

bool LoadResourceString(unsigned id, std::string& text) {
  // An entry a locale library lacks, or leaves empty, is the program's own.
  return LookUpCurrentThenProgram([&](const ResourceModule& module) {
           return FindResourceString(module, id, text);
         }) != nullptr;
}

}  // namespace platform
