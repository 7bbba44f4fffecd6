#include "platform/resources.h"

#include <vector>

#include "platform/posix/posix_resources.h"

// The resource image compiled from the program's resource script, built in at build time.
extern const unsigned char kProgramResourceImage[];
extern const std::size_t kProgramResourceImageSize;

namespace platform {

// On Linux a library is the file's resources, read as data.
struct ResourceLibrary::Module {
  PeResources resources;
};

const PeResources& posix::ProgramResources() {
  static const PeResources resources = [] {
    PeResources loaded;
    loaded.Load(std::vector<unsigned char>(kProgramResourceImage,
                                           kProgramResourceImage + kProgramResourceImageSize));
    return loaded;
  }();
  return resources;
}

const PeResources& posix::CurrentResources() {
  const ResourceLibrary::Module* library = CurrentLibraryModule();
  return library ? library->resources : ProgramResources();
}

ResourceLibrary::ResourceLibrary(std::unique_ptr<Module> module) : m_module(std::move(module)) {}
ResourceLibrary::~ResourceLibrary() = default;

std::unique_ptr<ResourceLibrary> ResourceLibrary::Load(const std::string& path) {
  auto module = std::make_unique<Module>();
  if (!module->resources.LoadFile(path))
    return nullptr;
  return std::unique_ptr<ResourceLibrary>(new ResourceLibrary(std::move(module)));
}

bool LoadResourceString(unsigned id, std::string& text, ResourceSource source) {
  const PeResources& resources =
      source == ResourceSource::kProgram ? posix::ProgramResources() : posix::CurrentResources();
  return resources.FindString(id, text);
}

}  // namespace platform
