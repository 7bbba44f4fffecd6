#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Values of the internet service that callers pass through unchanged.
constexpr unsigned long kInternetOpenTypePreconfig = 0;             // system proxy settings
constexpr unsigned long kInternetFlagExistingConnect = 0x20000000;  // may reuse a connection
constexpr unsigned long kInternetFlagNoAutoRedirect = 0x00200000;   // 3xx is the answer
// https: TLS, with the server's certificate and host name verified against the system's
// trusted authorities. No flag that ignores a certificate fault exists here.
constexpr unsigned long kInternetFlagSecure = 0x00800000;
// Past the system's cache (WinINet's; libcurl keeps none): the request always goes to the
// server, asks proxies not to answer from theirs, and its answer is not stored.
constexpr unsigned long kInternetFlagReload = 0x80000000;
constexpr unsigned long kInternetFlagNoCacheWrite = 0x04000000;
constexpr unsigned long kInternetFlagPragmaNoCache = 0x00000100;
constexpr std::size_t kMaxInternetErrorMessage = 1023;

// The most an answer's body may hold. A manifest is a short text; a server that sends more
// is broken or hostile, and its transfer stops there with the platform's size error.
constexpr std::uint64_t kMaxBodySize = 16 * 1024 * 1024;

// How long a transfer waits before it fails: for the connection, for any further data of
// the answer, and for the whole transfer, so that neither a dead server nor one that
// trickles its answer can hold a run for long.
struct InternetTimeouts {
  unsigned long connectSeconds;
  unsigned long stallSeconds;
  unsigned long deadlineSeconds;
};
// 60 and 30 seconds (the defaults of the Windows internet service) and 120 seconds. For
// tests, the environment variables KWU_INTERNET_TIMEOUT and KWU_INTERNET_DEADLINE (whole
// seconds, 1 to 86400) replace the first two and the third.
InternetTimeouts GetInternetTimeouts();

// The body of an answer as it arrives, held once: appended in blocks and handed out from
// the front, each block released as soon as all of it has been handed out. Tiny pieces
// share blocks, so what it holds costs little more than the bytes themselves.
class BodyQueue {
public:
  explicit BodyQueue(std::uint64_t limit) : m_limit(limit) {}

  // Appends size bytes; false, appending nothing, when they would take the body past the
  // limit. May raise std::bad_alloc.
  bool Append(const char* data, std::size_t size);
  // Moves up to size bytes from the front into buffer; 0 once everything is handed out.
  std::size_t Take(char* buffer, std::size_t size);
  // All bytes appended so far, handed out or not.
  std::uint64_t Received() const { return m_received; }
  // The memory the blocks still held take up.
  std::size_t Reserved() const;

private:
  std::deque<std::string> m_blocks;
  std::size_t m_frontTaken = 0;  // bytes of the front block already handed out
  std::uint64_t m_received = 0;
  std::uint64_t m_limit;
};

// A failure of the internet service: its numeric code and its text for that code.
class CInternetException : public std::exception {
public:
  // The message is cut to kMaxInternetErrorMessage characters.
  CInternetException(unsigned long error, const std::string& message);

  // The platform's text for m_dwError; empty when the platform has none.
  std::string GetErrorMessage() const { return m_message; }
  const char* what() const noexcept override { return m_message.c_str(); }

  unsigned long m_dwError;

private:
  std::string m_message;
};

// One HTTP request and its answer. Closed by Close or, at the latest, by its destructor.
class CHttpFile {
public:
  CHttpFile() = default;
  virtual ~CHttpFile() = default;
  CHttpFile(const CHttpFile&) = delete;
  CHttpFile& operator=(const CHttpFile&) = delete;

  // Sends the request, without extra headers or body, and receives the answer's headers.
  virtual void SendRequest() = 0;
  // The answer's numeric status; false, with status 0, when the status line is not HTTP.
  virtual bool QueryInfoStatusCode(unsigned long& status) = 0;
  // The answer's Location header field as sent, for a redirection that is not followed;
  // false, with the text empty, when the answer has none (the default of a request that
  // reads no header fields).
  virtual bool QueryInfoLocation(std::string& location) {
    location.clear();
    return false;
  }
  // The next piece of the body: the rest of the current line including its line feed, at
  // most maxChars - 1 characters, stored with a terminating zero. False once the body is
  // exhausted and nothing was read. A body that ended early raises CInternetException.
  // stored, when given, receives the number of characters stored: more than the text up
  // to the first zero byte when the piece holds one.
  bool ReadString(char* buffer, std::size_t maxChars, std::size_t* stored = nullptr);
  virtual void Close() = 0;

protected:
  // Up to size bytes of the body; 0 at its end. Raises CInternetException.
  virtual std::size_t ReadBody(char* buffer, std::size_t size) = 0;

private:
  std::vector<char> m_pending;  // read from the body, not yet handed out
  std::size_t m_pendingStart = 0;
  bool m_bodyEnded = false;
};

// A connection to one HTTP server. Closed by Close or, at the latest, by its destructor.
class CHttpConnection {
public:
  CHttpConnection() = default;
  virtual ~CHttpConnection() = default;
  CHttpConnection(const CHttpConnection&) = delete;
  CHttpConnection& operator=(const CHttpConnection&) = delete;

  // A new request for object (path and query) with the given verb and kInternetFlag*
  // flags, owned by the caller. Raises CInternetException.
  virtual std::unique_ptr<CHttpFile> OpenRequest(const std::string& verb, const std::string& object,
                                                 unsigned long context, unsigned long flags) = 0;
  virtual void Close() = 0;
};

// A synchronous internet session. Every connection and request it hands out must be
// released before the session is.
class CInternetSession {
public:
  // Opens the session; the agent is sent as the HTTP user agent. Raises CInternetException.
  CInternetSession(const std::string& agent, unsigned long context, unsigned long accessType,
                   unsigned long flags);
  virtual ~CInternetSession();
  CInternetSession(const CInternetSession&) = delete;
  CInternetSession& operator=(const CInternetSession&) = delete;

  // Switches the delivery of status notifications to OnStatusCallback on or off.
  // Raises CInternetException. Linux has no such notifications: nothing is delivered.
  void EnableStatusCallback(bool enable);
  // A status notification of the session or of one of its connections and requests; the
  // default ignores it. An exception it raises reaches the caller of the operation that
  // caused the notification.
  virtual void OnStatusCallback(unsigned long context, unsigned long status, const void* info,
                                unsigned long infoLength);

  // A connection to server and port, without user name or password, owned by the caller.
  // Raises CInternetException.
  std::unique_ptr<CHttpConnection> GetHttpConnection(const std::string& server,
                                                     unsigned short port);
  void Close();

private:
  class Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
