// kavexwebupd-manifest: a console program for manifest makers, built on the program's own
// download, lookup and product-file reader.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tool/manifest_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string out;
  std::string err;
  const int code = RunManifestTool(arguments, out, err);
  // Manifests and product files are read as they are; a report shows what they hold
  // without letting it act on the terminal.
  out = ForTerminal(out);
  err = ForTerminal(err);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return code;
}
