#pragma once
// Shared by the fuzz targets: a failed property stops the run with a message, so libFuzzer
// keeps the input that broke it. Unlike assert it stays on in optimised builds.
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#define KWU_FUZZ_CHECK(condition)                                                           \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

namespace fuzz {

// Splits the input from the front: a length byte, then that many bytes (fewer at the end).
class InputCutter {
public:
  InputCutter(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}

  unsigned char Byte() { return m_size > 0 ? (--m_size, *m_data++) : 0; }
  std::string Text(std::size_t length) {
    if (length > m_size)
      length = m_size;
    std::string text(reinterpret_cast<const char*>(m_data), length);
    m_data += length;
    m_size -= length;
    return text;
  }
  // A text whose length (below limit) is given by the next byte.
  std::string ShortText(unsigned limit) { return Text(Byte() % limit); }
  std::string Rest() { return Text(m_size); }

private:
  const unsigned char* m_data;
  std::size_t m_size;
};

// A file of the run's own under /tmp, kept open and rewritten in place with each input (far
// cheaper than a new file, and never truncated to nothing, which some file systems answer
// with a flush to disk), removed at exit. Make it once, in LLVMFuzzerInitialize.
class ScratchFile {
public:
  static void Make(const char* name) {
    std::string pattern = std::string("/tmp/") + name + "_XXXXXX";
    Descriptor() = mkstemp(pattern.data());
    if (Descriptor() < 0) {
      std::perror("mkstemp");
      std::abort();
    }
    Path() = pattern;
    std::atexit([] { unlink(Path().c_str()); });
  }
  static void Write(const void* data, std::size_t size) {
    KWU_FUZZ_CHECK(pwrite(Descriptor(), data, size, 0) == static_cast<ssize_t>(size));
    KWU_FUZZ_CHECK(ftruncate(Descriptor(), static_cast<off_t>(size)) == 0);
  }
  static std::string& Path() {
    static std::string path;
    return path;
  }

private:
  static int& Descriptor() {
    static int descriptor = -1;
    return descriptor;
  }
};

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace fuzz
