// Shows the program's dialogs and message boxes the way a product check does, for each
// locale given and each product named, and writes what came back to a file, so that
// tests can drive the real dialogs (Windows) or the console host (Linux) and read the
// outcome.
//
//   dialog_probe OUTPUT ACTION PRODUCT[|PRODUCT...] [LOCALE...]
//
// ACTION: update     the update-available dialog: "update locale=L result=R remind=N"
//         noupdates  the no-updates dialog:       "noupdates locale=L result=R"
//         error      the product error box for a 404 reply: "error locale=L text=T"
//         unknown    the product unrecognised-failure box: "unknown locale=L text=T"
//         startup    the start-up unrecognised-failure box
//         texts      every string-table entry: "text locale=L id=I T"
// Each locale is switched in as the program's run does it and shows each product in
// turn; without a locale, the program's own resources serve. Line feeds in texts are
// written as "\n". Before each dialog's line come its controls' "fit" lines
// (fit_probe.h), in the Windows build.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/locale_library.h"
#include "fit_probe.h"
#include "platform/window.h"
#include "ui/message_boxes.h"
#include "ui/no_updates_dlg.h"
#include "ui/resource_ids.h"
#include "ui/texts.h"
#include "ui/update_available_dlg.h"

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text)
    out += c == '\n' ? std::string("\\n") : std::string(1, c);
  return out;
}

bool Run(std::ofstream& out, const std::string& action, const std::string& product,
         const std::string& locale) {
  const std::unique_ptr<platform::ResourceLibrary> library = LoadLocaleLibrary(locale);
  const platform::CurrentResourceModule resources(library.get());
  const std::string prefix = action + " locale=" + locale;
  if (action == "update") {
    CUpdateAvailableDlg dialog;
    dialog.m_strProduct = product;
    const int result = dialog.DoModal();
    out << prefix << " result=" << result << " remind=" << dialog.m_nRemindDays << "\n";
  } else if (action == "noupdates") {
    CNoUpdatesDlg dialog;
    dialog.m_strProduct = product;
    const int result = dialog.DoModal();
    out << prefix << " result=" << result << "\n";
  } else if (action == "error") {
    const std::string error = FormatText(IDS_CONNECTION_ERROR, 404L);
    out << prefix << " text=" << Escaped(ProductErrorText(error)) << "\n" << std::flush;
    ShowProductError(platform::GetForegroundWindow(), product, error);
  } else if (action == "unknown") {
    out << prefix << " text=" << Escaped(LoadText(IDS_UNKNOWN_ERROR)) << "\n" << std::flush;
    ShowProductUnknownError(platform::GetForegroundWindow(), product);
  } else if (action == "startup") {
    out << prefix << " text=" << kStartupUnknownErrorText << "\n" << std::flush;
    ShowStartupUnknownError();
  } else if (action == "texts") {
    // Both blocks of the table: the program's texts and those of a build with a key.
    for (unsigned id = 0; id < 32; ++id)
      out << "text locale=" << locale << " id=" << id << " " << Escaped(LoadText(id)) << "\n";
  } else {
    return false;
  }
  out << std::flush;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: dialog_probe OUTPUT ACTION PRODUCT[|PRODUCT...] [LOCALE...]\n");
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary);
  WatchFits(out);
  std::vector<std::string> locales(argv + 4, argv + argc);
  if (locales.empty())
    locales.push_back(std::string());
  std::vector<std::string> products;
  const std::string names = argv[3];
  for (std::size_t start = 0;;) {
    const std::size_t bar = names.find('|', start);
    products.push_back(names.substr(start, bar - start));
    if (bar == std::string::npos)
      break;
    start = bar + 1;
  }
  for (const std::string& locale : locales) {
    for (const std::string& product : products) {
      if (!Run(out, argv[2], product, locale))
        return 2;
    }
  }
  return 0;
}
