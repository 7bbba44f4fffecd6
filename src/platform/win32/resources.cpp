#include "platform/resources.h"

#include "platform/win32/win32_resources.h"

#ifndef LOAD_LIBRARY_AS_IMAGE_RESOURCE
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#endif

namespace platform {

struct ResourceLibrary::Module {
  HMODULE handle;
};

namespace {

// Longest string-table text the program takes, in characters.
constexpr int kLongestText = 4096;

}  // namespace

HINSTANCE win32::ProgramInstance() {
  return ::GetModuleHandleA(nullptr);
}

HINSTANCE win32::CurrentResourceInstance() {
  const ResourceLibrary::Module* library = CurrentLibraryModule();
  return library ? library->handle : ProgramInstance();
}

ResourceLibrary::ResourceLibrary(std::unique_ptr<Module> module) : m_module(std::move(module)) {}

ResourceLibrary::~ResourceLibrary() {
  ::FreeLibrary(m_module->handle);
}

std::unique_ptr<ResourceLibrary> ResourceLibrary::Load(const std::string& path) {
  // Mapped as data, never as code: its entry point does not run and nothing it imports
  // is loaded. Systems before Vista know only the data-file flag, which is as safe.
  const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE handle = ::LoadLibraryExA(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
  if (!handle && ::GetLastError() == ERROR_INVALID_PARAMETER)
    handle = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ::SetErrorMode(previousMode);
  if (!handle)
    return nullptr;
  return std::unique_ptr<ResourceLibrary>(new ResourceLibrary(std::make_unique<Module>(Module{handle})));
}

bool LoadResourceString(unsigned id, std::string& text, ResourceSource source) {
  HINSTANCE module =
      source == ResourceSource::kProgram ? win32::ProgramInstance() : win32::CurrentResourceInstance();
  char buffer[kLongestText];
  const int length = ::LoadStringA(module, id, buffer, kLongestText);
  if (length <= 0)
    return false;
  text.assign(buffer, static_cast<std::size_t>(length));
  return true;
}

}  // namespace platform
