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

// An icon's picture: rows from the top, four bytes per pixel (red, green, blue, alpha).
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;
};

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
  virtual void Key(DialogKey key) = 0;
  virtual void Close() = 0;  // the close box, as the window manager reports it
  // The picture of icon resource `id` of the current resource module.
  virtual bool LoadIcon(unsigned id, IconImage& image) = 0;

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

constexpr int kGtkModuleVersion = 2;
constexpr char kGtkModuleEntry[] = "kwu_gtk_module";
constexpr char kGtkModuleFileName[] = "libkavexwebupd-gtk.so";

}  // namespace posix
}  // namespace platform
