// The program's entry: decode the command line, collect the products, check each one,
// write the run log. A failure that escapes ends the run with one message box.

#include <exception>

#include "app/command_line.h"
#include "app/driver.h"
#include "app/run_log.h"
#include "platform/application.h"
#include "platform/entry.h"
#include "products/product_files.h"
#include "ui/message_boxes.h"

extern "C" int KWU_ENTRY_CALL WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine,
                                      int nShowCmd) {
  try {
    if (!platform::InitApplication(hInstance, hPrevInstance, lpCmdLine, nShowCmd))
      throw StartupError(kInitFailedText);

    ProductList products;
    bool silent = false;
    DecodeCommandLine(platform::CommandLineArguments(), products, silent);
    DiscoverProductFiles(products);
    CheckAllProducts(products, silent);
    WriteLogFile(g_log);
    return 0;
  } catch (const StartupError& error) {
    ShowStartupError(error.what());
  } catch (...) {
    ShowStartupUnknownError();
  }
  return 1;
}
