#pragma once
// Between the program and its graphical module, libkavexwebupd-gtk.so: a shared library
// loaded at the first dialog or message box that needs a window, so that a run which shows
// nothing never loads GTK. Both are built together from these sources, so C++ types pass
// between them; the module calls nothing in the program but the events it is handed.
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/dialog_template.h"

namespace platform {
namespace posix {

// An icon's picture: rows from the top, four bytes per pixel (red, green, blue, alpha).
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;
};

// The program's side of one dialog the module shows.
class GtkDialogEvents {
public:
  // The controls exist: connects the dialog to `window` and initialises it. True when the
  // focus is to go to the first tab stop.
  virtual bool InitDialog(DialogWindow& window) = 0;
  virtual void Ok() = 0;      // the OK button or Enter
  virtual void Cancel() = 0;  // the close box, Alt+F4 or Escape
  virtual void Command(int id, int code) = 0;
  // A common control's notification; its result (0 lets a spin position change go ahead).
  virtual long Notify(int id, int code) = 0;
  // The picture of icon resource `id` of the current resource module.
  virtual bool LoadIcon(unsigned id, IconImage& image) = 0;

protected:
  ~GtkDialogEvents() = default;
};

struct GtkModule {
  int version;  // kGtkModuleVersion
  // Connects to the display; false when there is none or GTK cannot start.
  bool (*initialise)();
  // Shows the dialog modally; the result it ended with.
  int (*runDialog)(const DialogResource& resource, GtkDialogEvents& events);
  void (*showMessageBox)(const std::string& text, const std::string& caption, bool error);
};

constexpr int kGtkModuleVersion = 1;
constexpr char kGtkModuleEntry[] = "kwu_gtk_module";
constexpr char kGtkModuleFileName[] = "libkavexwebupd-gtk.so";

}  // namespace posix
}  // namespace platform
