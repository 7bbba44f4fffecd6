#include "platform/resources.h"

namespace platform {

namespace {
const ResourceLibrary::Module* g_currentLibraryModule = nullptr;
}  // namespace

const ResourceLibrary::Module* CurrentLibraryModule() {
  return g_currentLibraryModule;
}

CurrentResourceModule::CurrentResourceModule(const ResourceLibrary* library)
    : m_previous(g_currentLibraryModule) {
  g_currentLibraryModule = library ? &library->GetModule() : nullptr;
}

CurrentResourceModule::~CurrentResourceModule() {
  g_currentLibraryModule = m_previous;
}

}  // namespace platform
