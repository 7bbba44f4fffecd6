// Manifests pieced together from lines that the lookup treats in different ways, or nearly
// so, for the tests that compare two readings of the same text: the unit tests draw the
// pieces at random, the lookup's fuzzer from its input.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace test {

inline const std::vector<std::string>& ManifestLinePieces() {
  static const std::vector<std::string> pieces = {
      "[App 1]",
      "[APP 1]",
      "[app 1 EN]",
      "[App 1 en]",
      "[App  1]",
      "[App 1 ]",
      "[ App 1]",
      "[App\t1]",
      "[App 2]",
      "[aPP 2]",
      "[App 3]",
      "[Other 1]",
      "[Sections]",
      "[sections]",
      "[Other]",
      "[",
      "[App 1",
      "[App 1]x",
      "FileArgs=http://a/",
      "FileArgs = http://b/ ",
      "FileArgs=",
      "FileArgs",
      "FileArgs http://c/",
      "FileArgsOld=http://old/",
      "fileargs=http://low/",
      "FILEARGS=http://up/",
      "FileArgs=x=y;z",
      "FileArgs=\t\v\f",
      std::string("FileArgs=a\0b", 12),
      "FileArgsSections=App 2",
      "Sections=App 2",
      "Sections= app 2 ",
      "Sections=App 3",
      "Sections=App  1",
      "Sections=App 1",
      "Sections=App 1 en",
      "Sections = App 1 en",
      "Sections",
      "Sections=",
      "SectionsX=App 3",
      "sections=App 2",
      "Sections FileArgs",
      "; comment",
      ";[App 1]",
      ";FileArgs=http://commented/",
      "Other=1",
      "=",
      "=FileArgs",
      "x",
      "",
  };
  return pieces;
}

// The commonest shapes of a real section, drawn as often as all the rest together.
inline const std::vector<std::string>& ManifestSectionPieces() {
  static const std::vector<std::string> pieces = {
      "[App 1]",        "[App 1 en]",         "[App 2]", "FileArgs=http://a/", "FileArgs = http://b/ ",
      "Sections=App 2", "Sections= App 1 en", "; comment"};
  return pieces;
}

inline const std::vector<std::string>& ManifestBlankPieces() {
  static const std::vector<std::string> pieces = {"", "", "", " ", "\t", "\v", "\f", " \t "};
  return pieces;
}

inline const std::vector<std::string>& ManifestLineEnds() {
  static const std::vector<std::string> ends = {"\n",     "\r\n",  "\r",        "\n\n",
                                                "\r\r\n", "\n \n", "\r\n\t\r\n"};
  return ends;
}

// A manifest of up to 11 pieced lines, each choice made by choose(n), a number below n.
template <typename Choose>
std::string PiecedManifest(Choose&& choose) {
  const auto pick = [&choose](const std::vector<std::string>& pieces) -> const std::string& {
    return pieces[choose(pieces.size())];
  };
  std::string manifest;
  if (choose(4) == 0)
    manifest += pick(ManifestLineEnds());  // line breaks before the first line
  const std::size_t lineCount = choose(12);
  for (std::size_t i = 0; i < lineCount; ++i) {
    if (i > 0)
      manifest += pick(ManifestLineEnds());
    const std::string& piece = pick(choose(2) ? ManifestLinePieces() : ManifestSectionPieces());
    manifest += pick(ManifestBlankPieces()) + piece + pick(ManifestBlankPieces());
  }
  if (choose(2) == 0)
    manifest += pick(ManifestLineEnds());
  return manifest;
}

inline std::string RandomManifest(std::mt19937& random) {
  return PiecedManifest([&random](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  });
}

}  // namespace test
