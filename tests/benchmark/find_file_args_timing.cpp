// Times FindFileArgs on a manifest read from a file, so that a tool such as grep can be
// timed on the very same bytes.
//
//   find_file_args_timing <manifest file> <product name> <version key> [<repeats>]
//
// Prints one line: "bytes <size> median_seconds <s> best_seconds <s> repeats <n>". The
// lookup must find a page: a manifest that lacks the section measures nothing, so it
// ends with exit code 1.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "update/manifest_lookup.h"

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: %s <manifest file> <product name> <version key> [<repeats>]\n",
                 argv[0]);
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 2;
  }
  const std::string manifest((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  const int repeats = argc == 5 ? std::max(1, std::atoi(argv[4])) : 10;

  // One lookup first, so the timed ones find the text in the cache, as grep finds it.
  if (FindFileArgs(argv[2], argv[3], manifest).empty()) {
    std::fprintf(stderr, "no FileArgs for [%s %s]\n", argv[2], argv[3]);
    return 1;
  }
  std::vector<double> seconds;
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const std::string page = FindFileArgs(argv[2], argv[3], manifest);
    const auto end = std::chrono::steady_clock::now();
    if (page.empty())
      return 1;
    seconds.push_back(std::chrono::duration<double>(end - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("bytes %zu median_seconds %.9f best_seconds %.9f repeats %d\n", manifest.size(),
              seconds[seconds.size() / 2], seconds.front(), repeats);
  return 0;
}
