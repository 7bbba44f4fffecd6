#pragma once
#include <string>

#include "tool/tool_commands.h"

// A command's result as lines of text for a reader.
std::string ResultText(const ToolResult& result);

// A command's result as one JSON document with its line feed; the members are described in
// docs/manifest-tool.md, and are only ever added, never renamed or removed.
std::string ResultJson(const ToolResult& result);

// What keygen and sign did, as text and as one JSON document.
std::string KeygenText(const KeygenResult& result);
std::string KeygenJson(const KeygenResult& result);
std::string SignText(const SignResult& result);
std::string SignJson(const SignResult& result);

// One product's explanation as lines of text.
std::string DescribeExplanation(const UpdateExplanation& explanation);
