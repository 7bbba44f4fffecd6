#pragma once
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace platform {

// Raised when a file cannot be opened or read.
class FileException : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Raised when a file holds more than its reader takes.
class FileTooLarge : public FileException {
public:
  using FileException::FileException;
};

// Opens a file for reading as it is (binary); null when it does not open or is not a plain
// file (a folder, a device or a pipe would fail or block the reading).
std::FILE* OpenFileForReading(const std::string& path);

// Opens a file for reading in the platform's text mode; null when it does not open or is
// not a plain file (a folder, a device or a pipe would fail or block the reading).
std::FILE* OpenTextFileForReading(const std::string& path);

// A text file opened for reading, line by line. A line ends with LF or CR LF; the line
// end is not part of the line.
class StdioFile {
public:
  // Opens the file read-only; raises FileException when it does not open. Reading more
  // than maxBytes of it raises FileTooLarge.
  explicit StdioFile(const std::string& path, std::size_t maxBytes = SIZE_MAX);
  ~StdioFile();
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;

  // Reads the next line; false at the end of the file when nothing was read.
  // Raises FileException when the read fails.
  bool ReadString(std::string& line);

private:
  std::FILE* m_file;
  std::size_t m_left;  // bytes that may still be read
};

}  // namespace platform
