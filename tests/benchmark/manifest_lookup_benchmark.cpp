// How FindFileArgs scales with the manifest: a lookup must stay linear in its size, so
// that a manifest of tens of megabytes with a hundred thousand sections takes well under
// a second. Run: manifest_lookup_benchmark (a build target, not a test).
#include <benchmark/benchmark.h>

#include <string>

#include "update/manifest_lookup.h"

namespace {

// sections sections of about 300 bytes each; the wanted one is the last.
std::string LargeManifest(int sections, const std::string& lineEnd = "\r\n") {
  const std::string filler(200, 'x');
  std::string manifest = "; generated manifest" + lineEnd;
  for (int i = 0; i < sections; ++i) {
    const std::string name = "Product" + std::to_string(i);
    manifest += "[" + name + " 1.0 en]" + lineEnd;
    manifest += "; " + filler + lineEnd;
    manifest += "Other=" + filler + lineEnd;
    manifest += "FileArgs=http://server/" + name + ".html" + lineEnd;
  }
  return manifest;
}

// Every section redirects to the next one, down to the last.
std::string RedirectChain(int sections) {
  std::string manifest = "; chain\n";
  for (int i = 0; i < sections; ++i) {
    manifest += "[App " + std::to_string(i) + "]\n";
    manifest += "Sections=App " + std::to_string(i + 1) + "\n";
  }
  manifest += "[App " + std::to_string(sections) + "]\nFileArgs=http://server/end.html\n";
  return manifest;
}

// Looks up the last of the manifest's sections for as long as the benchmark runs.
void LookUpLastSection(benchmark::State& state, const std::string& manifest, int sections) {
  const std::string wanted = "Product" + std::to_string(sections - 1);
  for (auto _ : state) {
    const std::string page = FindFileArgs(wanted, "1.0 en", manifest);
    if (page.empty())
      state.SkipWithError("the last section was not found");
    benchmark::DoNotOptimize(page);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(manifest.size()));
}

void BM_LastSection(benchmark::State& state) {
  const int sections = static_cast<int>(state.range(0));
  const std::string manifest = LargeManifest(sections);
  LookUpLastSection(state, manifest, sections);
  state.counters["manifest_bytes"] = static_cast<double>(manifest.size());
}
BENCHMARK(BM_LastSection)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);

// A manifest with only one kind of line break must not be searched for the other on every
// line: 0 stands for line feeds alone, 1 for carriage returns alone.
void BM_LastSectionOneKindOfLineEnd(benchmark::State& state) {
  const int sections = 100000;
  LookUpLastSection(state, LargeManifest(sections, state.range(0) ? "\r" : "\n"), sections);
}
BENCHMARK(BM_LastSectionOneKindOfLineEnd)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RedirectChain(benchmark::State& state) {
  const std::string manifest = RedirectChain(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const std::string page = FindFileArgs("App", "0", manifest);
    if (page != "http://server/end.html")
      state.SkipWithError("the chain did not end in the last section");
    benchmark::DoNotOptimize(page);
  }
}
BENCHMARK(BM_RedirectChain)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
