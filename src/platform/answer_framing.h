#pragma once
#include <cstdint>
#include <string_view>

namespace platform {

// What an answer's header fields say about the body that follows, as far as the program
// must read them to take the body as sent.
struct AnswerFraming {
  enum Fault {
    kReadable,
    kContentLength,    // a Content-Length that is not a number, or two that differ
    kContentEncoding,  // an encoding (gzip, ...) that the request never offered to decode
  };
  Fault fault = kReadable;
  bool hasContentLength = false;
  // The declared length; UINT64_MAX for one too large to hold, which is past every bound.
  std::uint64_t contentLength = 0;
};

// Reads the framing from the header block of the final answer: its lines, each ending in
// CRLF or LF, the status line among them or not. Repeated Content-Length fields (or a
// list in one) must all give the same number; a Content-Encoding other than "identity" is
// unreadable, since every request asks for the body as it is.
AnswerFraming ReadAnswerFraming(std::string_view headers);

}  // namespace platform
