// Resources on Linux: the program's own are a PE resource image built into the program,
// a locale library is the same kind of image in a file, and both are read as data.
#include "platform/resources.h"

#include <vector>

#include "platform/pe_resources.h"

// The resource image compiled from the program's resource script, built in at build time.
extern const unsigned char kProgramResourceImage[];
extern const std::size_t kProgramResourceImageSize;

namespace platform {

struct ResourceModule {
  PeResources resources;
};

bool FindResourceBytes(const ResourceModule& module, unsigned type, unsigned id,
                       ResourceBytes& resource) {
  return module.resources.Find(type, id, resource);
}

const ResourceModule& ProgramResourceModule() {
  static const ResourceModule program = [] {
    ResourceModule loaded;
    loaded.resources.Load(std::vector<unsigned char>(
        kProgramResourceImage, kProgramResourceImage + kProgramResourceImageSize));
    return loaded;
  }();
  return program;
}

std::string ResourceTextToNarrow(const unsigned char* units, std::size_t count) {
  return Utf16ToUtf8(units, count);
}

ResourceLibrary::ResourceLibrary(std::unique_ptr<ResourceModule> module)
    : m_module(std::move(module)) {}
ResourceLibrary::~ResourceLibrary() = default;

std::unique_ptr<ResourceLibrary> ResourceLibrary::Load(const std::string& path) {
  auto module = std::make_unique<ResourceModule>();
  if (!module->resources.LoadFile(path))
    return nullptr;
  return std::unique_ptr<ResourceLibrary>(new ResourceLibrary(std::move(module)));
}

}  // namespace platform
