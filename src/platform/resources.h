#pragma once
#include <memory>
#include <string>

namespace platform {

// A locale library: a file of translated resources (texts, dialog templates, icons) under
// the program's resource ids. It is loaded for its resources only and never run, so a
// file placed by someone else cannot execute code in the program.
class ResourceLibrary {
public:
  // Loads the file; null when it is missing or not a resource library.
  static std::unique_ptr<ResourceLibrary> Load(const std::string& path);
  ~ResourceLibrary();  // releases the library
  ResourceLibrary(const ResourceLibrary&) = delete;
  ResourceLibrary& operator=(const ResourceLibrary&) = delete;

  struct Module;
  const Module& GetModule() const { return *m_module; }

private:
  explicit ResourceLibrary(std::unique_ptr<Module> module);
  std::unique_ptr<Module> m_module;
};

// Makes a library the current resource module, the source of every text, dialog
// template and icon, for as long as this object lives; with no library, the program's
// own resources. The previous module is current again afterwards. Destroy it before
// the library.
class CurrentResourceModule {
public:
  explicit CurrentResourceModule(const ResourceLibrary* library);
  ~CurrentResourceModule();
  CurrentResourceModule(const CurrentResourceModule&) = delete;
  CurrentResourceModule& operator=(const CurrentResourceModule&) = delete;

private:
  const ResourceLibrary::Module* m_previous;
};

// The module of the current library; null while the program's own resources are current.
const ResourceLibrary::Module* CurrentLibraryModule();

// Where a resource is looked up.
enum class ResourceSource { kCurrent, kProgram };

// A string-table entry in the platform's 8-bit text (ANSI on Windows, UTF-8 on Linux).
// False when the module has no such entry, or it is empty.
bool LoadResourceString(unsigned id, std::string& text,
                        ResourceSource source = ResourceSource::kCurrent);

}  // namespace platform
