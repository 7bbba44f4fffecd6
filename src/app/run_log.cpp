#include "app/run_log.h"

#include <cstdio>
#include <memory>

#include "settings/registry_settings.h"

std::string LogFileContent(const std::string& log) {
  std::string content;
  content.reserve(log.size() + log.size() / 16 + 2);
  for (char c : log + "\n") {
    if (c == '\n')
      content += '\r';
    content += c;
  }
  return content;
}

void WriteLogFile(const std::string& log) {
  std::string path;
  if (!ReadRegString(kSettingsKey, kLogFileValue, path))
    return;

  // Binary mode with the line ends made here, so the file is the same on every platform.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                       &std::fclose);
  if (!file)
    return;
  const std::string content = LogFileContent(log);
  std::fwrite(content.data(), 1, content.size(), file.get());
}
