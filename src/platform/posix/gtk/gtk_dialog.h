#pragma once
#include <gtk/gtk.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/gtk/gtk_controls.h"
#include "platform/posix/gtk/gtk_module.h"

namespace platform {
namespace posix {

// One dialog in a GTK window: the controls where the template puts them, showing the
// state of the dialog's model, and the user's input fed to the model through the session.
class TemplateDialog {
public:
  explicit TemplateDialog(GtkDialogSession& session);
  ~TemplateDialog();
  TemplateDialog(const TemplateDialog&) = delete;
  TemplateDialog& operator=(const TemplateDialog&) = delete;

  // Shows the dialog modally until its model has ended.
  void Run();

private:
  // Changes the window makes to mirror the model are not the user's: no input.
  class Programmatic {
  public:
    explicit Programmatic(TemplateDialog& dialog) : m_dialog(dialog) { ++m_dialog.m_programmatic; }
    ~Programmatic() { --m_dialog.m_programmatic; }

  private:
    TemplateDialog& m_dialog;
  };

  struct Signal {
    TemplateDialog* dialog;
    std::size_t control;
    int delta;  // up-down buttons: +1 or -1
  };

  void Build();
  void Connect(std::size_t index);
  // Brings the widgets to the model's state.
  void Mirror();
  void MirrorFocus();
  void MirrorChecked(const DialogItem& item, const GtkControl& control);
  void MirrorList(const DialogItem& item, const GtkControl& control,
                  std::vector<std::string>& shown);
  // After the user's input: shows what it changed, and stops once the dialog has ended.
  void After();
  bool Listening() const { return !m_programmatic && !m_state.ended; }
  Signal* SignalFor(std::size_t index, int delta = 0);

  static void OnAllocated(GtkWidget* window, GdkRectangle* area, TemplateDialog* dialog);
  static void OnClicked(GtkButton* button, Signal* signal);
  static void OnComboChanged(GtkComboBox* combo, Signal* signal);
  static void OnUpDown(GtkButton* button, Signal* signal);
  static void OnSetFocus(GtkWindow* window, GtkWidget* focus, TemplateDialog* dialog);
  static gboolean OnDelete(GtkWidget* window, GdkEvent* event, TemplateDialog* dialog);
  static gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, TemplateDialog* dialog);

  GtkDialogSession& m_session;
  const DialogState& m_state;
  GtkWidget* m_window = nullptr;
  GMainLoop* m_loop = nullptr;
  RadioGroups m_groups;
  std::vector<GtkControl> m_controls;
  std::vector<GdkRectangle> m_places;  // each control's size in the template, in pixels
  bool m_fitsWritten = false;
  std::vector<std::string> m_shownTexts;
  std::vector<std::vector<std::string>> m_shownItems;
  std::string m_shownTitle;
  std::size_t m_shownFocus = kNoControl;
  std::size_t m_selectableText = kNoControl;  // a text made selectable to hold the focus
  std::vector<std::unique_ptr<Signal>> m_signals;
  int m_programmatic = 1;
};

}  // namespace posix
}  // namespace platform
