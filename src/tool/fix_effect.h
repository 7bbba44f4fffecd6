#pragma once
#include <cstddef>
#include <functional>
#include <string>

// What a suggested fix would do to the program's answers. A fix that makes an ignored line
// count can change the page a product is offered, sometimes for a product the maker did
// not mean to touch (a "fileargs" line left above the real FileArgs), so the tool says so.

// The manifest with line number line (counted as a text editor counts: LF, CR LF and a
// lone CR each end a line) replaced by what change makes of it; unchanged when there is
// no such line.
std::string WithLineChanged(const std::string& manifest, std::size_t line,
                            const std::function<std::string(const std::string&)>& change);

// How the FileArgs found differs between before and after for changed (the header of the
// section whose line was changed) and every header that redirects to it, directly or
// through others: the only lookups that can read the changed line. E.g. "[App 7.0] would
// give \"http://h/b\" instead of \"http://h/a\"", several joined by "; "; empty when no
// result changes.
std::string DescribeChangedResults(const std::string& before, const std::string& after,
                                   const std::string& changed);
