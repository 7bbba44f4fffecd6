// Resources on Windows: modules loaded by the system, the program's own and locale
// libraries mapped as data files.
#include "platform/resources.h"

#include <vector>

#include "platform/win32/win32_resources.h"

#ifndef LOAD_LIBRARY_AS_IMAGE_RESOURCE
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#endif

namespace platform {

struct ResourceModule {
  HMODULE handle;
};

HMODULE win32::ModuleHandle(const ResourceModule& module) {
  return module.handle;
}

bool FindResourceBytes(const ResourceModule& module, unsigned type, unsigned id,
                       ResourceBytes& resource) {
  HRSRC found = ::FindResourceA(module.handle, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
  if (!found)
    return false;
  HGLOBAL loaded = ::LoadResource(module.handle, found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data)
    return false;
  resource.data = static_cast<const unsigned char*>(data);
  resource.size = ::SizeofResource(module.handle, found);
  return true;
}

const ResourceModule& ProgramResourceModule() {
  static const ResourceModule program = {::GetModuleHandleA(nullptr)};
  return program;
}

std::string ResourceTextToNarrow(const unsigned char* units, std::size_t count) {
  // The text as LoadStringA would give it: the ANSI code page, unknown letters as '?'.
  if (count == 0 || count > 0x7FFFFFFF / 4)
    return std::string();
  std::vector<wchar_t> wide(count);
  for (std::size_t i = 0; i < count; ++i)
    wide[i] = static_cast<wchar_t>(units[2 * i] | units[2 * i + 1] << 8);
  const int length = static_cast<int>(count);
  const int size =
      ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return std::string();
  std::string text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, &text[0], size, nullptr, nullptr);
  return text;
}

ResourceLibrary::ResourceLibrary(std::unique_ptr<ResourceModule> module)
    : m_module(std::move(module)) {}

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
  return std::unique_ptr<ResourceLibrary>(
      new ResourceLibrary(std::make_unique<ResourceModule>(ResourceModule{handle})));
}

}  // namespace platform
