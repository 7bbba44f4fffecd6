#pragma once
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

// Standard resource types the program reads, and the type of dialog-init data.
enum ResourceType : unsigned {
  kResourceIcon = 3,
  kResourceDialog = 5,
  kResourceString = 6,
  kResourceGroupIcon = 14,
  kResourceVersion = 16,
  kResourceManifest = 24,
  kResourceDialogInit = 240,
};

// A resource's bytes inside the module that holds them; valid while the module is loaded.
struct ResourceBytes {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

// A module whose resources the program reads: the program itself or a locale library.
// Each platform defines it (a module handle on Windows, a PE image read as data on Linux).
struct ResourceModule;

// The one resource operation each platform provides: the bytes of the resource of a
// type and id (numbers only), in the first language the module stores it in. False when
// the module has no such resource.
bool FindResourceBytes(const ResourceModule& module, unsigned type, unsigned id,
                       ResourceBytes& resource);

// The program's own resources.
const ResourceModule& ProgramResourceModule();

// Resource text (UTF-16 little-endian code units) as the program's 8-bit text: the ANSI
// code page on Windows, UTF-8 on Linux.
std::string ResourceTextToNarrow(const unsigned char* units, std::size_t count);

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

  const ResourceModule& GetModule() const { return *m_module; }

private:
  explicit ResourceLibrary(std::unique_ptr<ResourceModule> module);
  std::unique_ptr<ResourceModule> m_module;
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
  const ResourceModule* m_previous;
};

// The current resource module: the library made current, else the program's own.
const ResourceModule& CurrentResources();

// A resource looked up as every text, template and icon is: in the current resource
// module, else (a locale library that lacks it) in the program's own resources.
struct FoundResource {
  const ResourceModule* module = nullptr;  // where it was found
  ResourceBytes bytes;
};
bool FindCurrentResource(unsigned type, unsigned id, FoundResource& found);

// Entry `index` (0 to 15) of a string-table block: 16 entries, each a 16-bit length and
// that many UTF-16 units. False when the block ends early or the entry is empty.
bool DecodeStringTableEntry(const ResourceBytes& block, unsigned index, std::string& text);

// A string-table entry of a module in the program's 8-bit text; false when it is
// missing or empty.
bool FindResourceString(const ResourceModule& module, unsigned id, std::string& text);

// A string-table entry through the current resource module, else the program's own.
bool LoadResourceString(unsigned id, std::string& text);

}  // namespace platform
