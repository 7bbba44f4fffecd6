#pragma once
// Between the program and its graphical module, libkavexwebupd-gtk.so: a shared library
// loaded at the first dialog or message box that needs a window, so that a run which shows
// nothing never loads GTK. Both are built together from these sources, so C++ types pass
// between them; the module links nothing of the program: it reads the dialog model through
// what platform/dialog_model.h defines inline, and calls only the session it is handed.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/dialog_model.h"

namespace platform {
namespace posix {

// The program's side of one dialog the module shows: the model to draw, and the input the
// module feeds it. After each input the module draws the model afresh; the dialog is over
// once the model has ended.
class GtkDialogSession {
public:
  virtual const DialogState& State() const = 0;
  // The controls exist: the dialog initialises itself.
  virtual void Start() = 0;
  virtual void Click(std::size_t control) = 0;
  virtual void Select(std::size_t control, int item) = 0;
  virtual void Spin(std::size_t control, int delta) = 0;
  // The focus moved to a control (kNoControl: to none).
  virtual void Focused(std::size_t control) = 0;
  // A key of the dialog manager; false when it leaves the key to the focused control.
  virtual bool Key(DialogKey key) = 0;
  // A character typed, with Alt or without, for the mnemonics; false when none took it.
  virtual bool Character(const std::string& typed, bool alt) = 0;
  virtual void Close() = 0;  // the close box, as the window manager reports it
  // Icon resource `id` of the current resource module, as an icon file (.ico) of the
  // image the dialog shows.
  virtual bool LoadIcon(unsigned id, std::vector<unsigned char>& file) = 0;

protected:
  ~GtkDialogSession() = default;
};

struct GtkModule {
  int version;  // kGtkModuleVersion
  // Connects to the display; false when there is none or GTK cannot start.
  bool (*initialise)();
  // Shows the dialog modally until its model has ended.
  void (*runDialog)(GtkDialogSession& session);
  void (*showMessageBox)(const std::string& text, const std::string& caption, bool error);
};

constexpr int kGtkModuleVersion = 4;
constexpr char kGtkModuleEntry[] = "kwu_gtk_module";
constexpr char kGtkModuleFileName[] = "libkavexwebupd-gtk.so";

}  // namespace posix
}  // namespace platform
