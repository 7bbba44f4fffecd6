// The graphical module: shows the program's dialogs with GTK 3, drawn from their models,
// and its message boxes. Loaded by the program only when it has something to show.
#include <gtk/gtk.h>

#include <string>

#include "platform/posix/gtk/gtk_dialog.h"
#include "platform/posix/gtk/gtk_module.h"

namespace {

using platform::posix::GtkDialogSession;
using platform::posix::GtkModule;
using platform::posix::TemplateDialog;

// Lets the screen catch up, so that a closed window is gone before the program goes on.
void Settle() {
  while (gtk_events_pending())
    gtk_main_iteration_do(FALSE);
  gdk_display_flush(gdk_display_get_default());
}

bool Initialise() {
  // The program keeps its own locale settings ("C" for dates and numbers).
  gtk_disable_setlocale();
  return gtk_init_check(nullptr, nullptr);
}

void RunDialog(GtkDialogSession& session) {
  {
    TemplateDialog dialog(session);
    dialog.Run();
  }
  Settle();
}

void ShowMessageBox(const std::string& text, const std::string& caption, bool error) {
  GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL,
                                          error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_OTHER,
                                          GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
  if (error) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkWidget* image = gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
    gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), image);
    gtk_widget_show(image);
    G_GNUC_END_IGNORE_DEPRECATIONS
  }
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  Settle();
}

const GtkModule kModule = {platform::posix::kGtkModuleVersion, Initialise, RunDialog,
                           ShowMessageBox};

}  // namespace

extern "C" __attribute__((visibility("default"))) const GtkModule* kwu_gtk_module() {
  return &kModule;
}
