#include "platform/posix/gtk_dialog_host.h"

#include <dlfcn.h>

#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/dialog_model.h"
#include "platform/posix/gtk/gtk_module.h"
#include "platform/posix/icon_image.h"

namespace platform {
namespace posix {

namespace {

// Dialog icons are shown at the desktop's large icon size.
const int kDialogIconSize = 32;

std::vector<std::string> ModuleCandidates() {
  const char* configured = std::getenv(kGtkModuleVariable);
  if (configured && *configured)
    return {configured};
  std::string programFolder = ModuleFileName();
  programFolder.erase(programFolder.rfind('/') + 1);
  return {programFolder + kGtkModuleFileName,
          programFolder + "../lib/kavexwebupd/modules/" + kGtkModuleFileName};
}

// Feeds the module's input to the model; exceptions stop at this boundary, since they
// cannot pass through GTK's own code: a failure ends the dialog, and goes on from the host.
class Session : public GtkDialogSession {
public:
  explicit Session(DialogModel& model) : m_model(model) {}
  std::exception_ptr failure;

  const DialogState& State() const override { return m_model.State(); }
  void Start() override {
    Guarded([&] { m_model.Initialise(); });
  }
  void Click(std::size_t control) override {
    Guarded([&] { m_model.Click(control); });
  }
  void Select(std::size_t control, int item) override {
    Guarded([&] { m_model.Select(control, item); });
  }
  void Spin(std::size_t control, int delta) override {
    Guarded([&] { m_model.Spin(control, delta); });
  }
  void Focused(std::size_t control) override { m_model.SetFocus(control); }
  bool Key(DialogKey key) override {
    bool handled = false;
    Guarded([&] { handled = m_model.Key(key); });
    return handled;
  }
  bool Character(const std::string& typed, bool alt) override {
    bool handled = false;
    Guarded([&] { handled = m_model.Character(typed, alt); });
    return handled;
  }
  void Close() override {
    Guarded([&] { m_model.Close(); });
  }
  bool LoadIcon(unsigned id, std::vector<unsigned char>& file) override {
    bool loaded = false;
    Guarded([&] { loaded = LoadIconFile(id, kDialogIconSize, file); });
    return loaded;
  }

private:
  template <typename Action>
  void Guarded(Action action) {
    if (failure)
      return;
    try {
      action();
    } catch (...) {
      failure = std::current_exception();
      m_model.EndDialog(-1);
    }
  }

  DialogModel& m_model;
};

class GtkDialogHost : public ModelDialogHost {
public:
  explicit GtkDialogHost(const GtkModule& module) : m_module(module) {}

  void ShowMessageBox(WindowHandle, const std::string& text, const std::string& caption,
                      MessageBoxStyle style) override {
    m_module.showMessageBox(text, caption, style == kMessageBoxError);
  }

protected:
  int Show(DialogModel& model) override {
    Session session(model);
    m_module.runDialog(session);
    if (session.failure)
      std::rethrow_exception(session.failure);
    return model.Result();
  }

private:
  const GtkModule& m_module;
};

}  // namespace

DialogHost* LoadGtkDialogHost() {
  for (const std::string& path : ModuleCandidates()) {
    // Kept loaded for the rest of the run: GTK cannot be unloaded.
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
      continue;
    using Entry = const GtkModule* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(library, kGtkModuleEntry));
    const GtkModule* module = entry ? entry() : nullptr;
    if (!module || module->version != kGtkModuleVersion || !module->initialise())
      return nullptr;
    static GtkDialogHost host(*module);
    return &host;
  }
  return nullptr;
}

}  // namespace posix
}  // namespace platform
