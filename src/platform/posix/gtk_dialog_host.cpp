#include "platform/posix/gtk_dialog_host.h"

#include <dlfcn.h>

#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/dialog_template.h"
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

class GtkDialogHost : public PosixDialogHost {
public:
  explicit GtkDialogHost(const GtkModule& module) : m_module(module) {}

  int RunModal(CDialog& dialog, unsigned templateId, WindowHandle) override {
    DialogResource resource;
    if (!LoadDialogResource(templateId, resource))
      return -1;
    Events events(dialog);
    const int result = m_module.runDialog(resource, events);
    // A failure in the dialog's code ended the dialog; it goes on from here, outside GTK.
    if (events.failure)
      std::rethrow_exception(events.failure);
    return result;
  }

  void ShowMessageBox(const std::string& text, const std::string& caption,
                      MessageBoxStyle style) override {
    m_module.showMessageBox(text, caption, style == kMessageBoxError);
  }

private:
  // Delivers the module's events to the dialog; exceptions stop at this boundary, since
  // they cannot pass through GTK's own code.
  class Events : public GtkDialogEvents {
  public:
    explicit Events(CDialog& dialog) : m_dialog(dialog) {}
    std::exception_ptr failure;

    bool InitDialog(DialogWindow& window) override {
      m_window = &window;
      m_attachment.emplace(m_dialog, &window);
      bool focus = true;
      Guarded([&] { focus = DialogHost::InitDialog(m_dialog); });
      return focus;
    }
    void Ok() override {
      Guarded([&] { DialogHost::Ok(m_dialog); });
    }
    void Cancel() override {
      Guarded([&] { DialogHost::Cancel(m_dialog); });
    }
    void Command(int id, int code) override {
      Guarded([&] { DialogHost::Command(m_dialog, id, code); });
    }
    long Notify(int id, int code) override {
      long result = 0;
      Guarded([&] { DialogHost::Notify(m_dialog, id, code, result); });
      return result;
    }
    bool LoadIcon(unsigned id, IconImage& image) override {
      bool loaded = false;
      Guarded([&] { loaded = LoadIconImage(id, kDialogIconSize, image); });
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
        if (m_window)
          m_window->EndDialog(-1);
      }
    }

    CDialog& m_dialog;
    DialogWindow* m_window = nullptr;
    std::optional<Attachment> m_attachment;
  };

  const GtkModule& m_module;
};

}  // namespace

PosixDialogHost* LoadGtkDialogHost() {
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
