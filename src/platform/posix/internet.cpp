// The internet session on Linux: libcurl, one easy handle per request.
#include "platform/internet.h"

#include <curl/curl.h>

#include "platform/answer_framing.h"
#include "platform/test_faults.h"
#include "platform/text.h"

#include <exception>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

namespace {

[[noreturn]] void ThrowCurlError(CURLcode code) {
  throw CInternetException(static_cast<unsigned long>(code), curl_easy_strerror(code));
}

void SetOption(CURL* curl, CURLoption option, long value) {
  const CURLcode code = curl_easy_setopt(curl, option, value);
  if (code != CURLE_OK)
    ThrowCurlError(code);
}

void SetOption(CURL* curl, CURLoption option, const std::string& value) {
  const CURLcode code = curl_easy_setopt(curl, option, value.c_str());
  if (code != CURLE_OK)
    ThrowCurlError(code);
}

// The scheme of a request: https for a secure one (kInternetFlagSecure), else http.
const char* SchemeOf(unsigned long flags) {
  return (flags & kInternetFlagSecure) != 0 ? "https" : "http";
}

// All header lines of an answer together: curl's own limit for one line. Real servers send
// a few kilobytes.
const std::size_t kMaxHeaderBytes = CURL_MAX_HTTP_HEADER;
// curl 7.88 has no error of its own for headers that are too large; it reports headers
// past its total limit as a receive error with these words, and we do the same.
const CURLcode kHeadersTooLarge = CURLE_RECV_ERROR;
const char kHeadersTooLargeText[] = "Too large response headers";

// curl reads the proxy from http_proxy and no_proxy itself, the counterpart of the
// system's preconfigured proxy on Windows.
class CurlHttpFile : public CHttpFile {
public:
  CurlHttpFile(const std::string& url, const std::string& agent, unsigned long flags)
      : m_handle(curl_easy_init(), &curl_easy_cleanup),
        m_curl(m_handle.get()),
        m_body(kMaxBodySize) {
    if (m_curl == nullptr)
      ThrowCurlError(CURLE_OUT_OF_MEMORY);
    // One scheme per request: the one its address named.
    const std::string scheme = SchemeOf(flags);
    SetOption(m_curl, CURLOPT_URL, url);
    SetOption(m_curl, CURLOPT_PROTOCOLS_STR, scheme);
    SetOption(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, scheme);
    // curl's defaults, said here: the certificate must chain to the system's trusted
    // authorities and name the host.
    SetOption(m_curl, CURLOPT_SSL_VERIFYPEER, 1L);
    SetOption(m_curl, CURLOPT_SSL_VERIFYHOST, 2L);
    SetOption(m_curl, CURLOPT_USERAGENT, agent);
    SetOption(m_curl, CURLOPT_HTTPGET, 1L);
    SetOption(m_curl, CURLOPT_FOLLOWLOCATION, (flags & kInternetFlagNoAutoRedirect) != 0 ? 0L : 1L);
    SetOption(m_curl, CURLOPT_PATH_AS_IS, 1L);
    SetOption(m_curl, CURLOPT_NOSIGNAL, 1L);
    // No data at all for the stall time fails the transfer, as WinINet's receive timeout.
    const InternetTimeouts timeouts = GetInternetTimeouts();
    SetOption(m_curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeouts.connectSeconds));
    SetOption(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    SetOption(m_curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts.stallSeconds));
    SetOption(m_curl, CURLOPT_TIMEOUT, static_cast<long>(timeouts.deadlineSeconds));
    // An announced length past the limit fails before the body; a body without one is
    // stopped by OnBody.
    const CURLcode code =
        curl_easy_setopt(m_curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodySize));
    if (code != CURLE_OK)
      ThrowCurlError(code);
    curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CurlHttpFile::OnHeader);
    curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &CurlHttpFile::OnBody);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, this);
  }

  // curl transfers the whole answer at once. A failure before the headers are complete
  // is the request's; one after them belongs to the body and is raised when the reader
  // reaches the point where the body broke off.
  void SendRequest() override {
    const CURLcode code = curl_easy_perform(m_curl);
    if (m_failure)
      std::rethrow_exception(m_failure);
    if (code == CURLE_OK)
      return;
    if (m_headersTooLarge || (code == CURLE_OUT_OF_MEMORY && AwaitedHeaders()))
      throw CInternetException(kHeadersTooLarge, kHeadersTooLargeText);
    // OnBody's refusal reaches us as a write error; it is the size error curl gives for
    // an announced length past the limit.
    const CURLcode reported = m_bodyTooLarge ? CURLE_FILESIZE_EXCEEDED : code;
    if (!m_headersComplete)
      ThrowCurlError(reported);
    m_bodyError = reported;
  }

  bool QueryInfoStatusCode(unsigned long& status) override {
    long code = 0;
    if (m_curl == nullptr || curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK)
      code = 0;
    status = code > 0 ? static_cast<unsigned long>(code) : 0;
    return status != 0;
  }

  bool QueryInfoLocation(std::string& location) override {
    location = m_location;
    return m_hasLocation;
  }

  void Close() override {
    m_handle.reset();
    m_curl = nullptr;
  }

protected:
  // Hands the body out as it was received, releasing it as it goes, so that it is held
  // once: here or in the reader's text.
  std::size_t ReadBody(char* buffer, std::size_t size) override {
    const std::size_t count = m_body.Take(buffer, size);
    if (count == 0 && m_bodyError != CURLE_OK)
      ThrowCurlError(m_bodyError);
    return count;
  }

private:
  // Whether the request went out and the answer's headers were not complete: curl 7.88
  // reports a header line past its limit as out of memory, and this is where it does.
  bool AwaitedHeaders() const {
    long sent = 0;
    return !m_headersComplete &&
           curl_easy_getinfo(m_curl, CURLINFO_REQUEST_SIZE, &sent) == CURLE_OK && sent > 0;
  }

  // The callbacks run inside curl's C frames: nothing may unwind through them. A failure
  // is kept, the transfer aborted, and the failure raised again once curl has returned.
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* file = static_cast<CurlHttpFile*>(self);
    const std::size_t length = size * count;
    try {
      file->m_headerBytes += length;
      if (file->m_headerBytes > kMaxHeaderBytes) {
        file->m_headersTooLarge = true;
        return 0;
      }
      // The empty line after the headers of a final (not 1xx) answer.
      const bool emptyLine =
          (length == 2 && data[0] == '\r' && data[1] == '\n') || (length == 1 && data[0] == '\n');
      file->KeepLocation(data, length);
      if (StartsWith(std::string_view(data, length), "HTTP/"))
        file->m_headers.clear();
      file->m_headers.append(data, length);
      if (emptyLine) {
        long code = 0;
        curl_easy_getinfo(file->m_curl, CURLINFO_RESPONSE_CODE, &code);
        if (code < 200) {
          file->m_headerBytes = 0;  // the limit holds for each answer's headers
          return length;
        }
        file->m_headersComplete = true;
        file->CheckFraming();
      }
      return length;
    } catch (...) {
      file->m_failure = std::current_exception();
      return 0;
    }
  }

  // curl takes the last of several Content-Length fields and hands an encoded body on as
  // it came; either would read as a manifest other than the one sent.
  void CheckFraming() {
    switch (ReadAnswerFraming(m_headers).fault) {
      case AnswerFraming::kReadable: return;
      case AnswerFraming::kContentLength: ThrowCurlError(CURLE_WEIRD_SERVER_REPLY);
      case AnswerFraming::kContentEncoding: ThrowCurlError(CURLE_BAD_CONTENT_ENCODING);
    }
  }

  // Each answer's headers replace those of the one before (a 100 Continue, say), so the
  // Location kept is that of the final answer.
  void KeepLocation(const char* data, std::size_t length) {
    const std::string_view name = "location:";
    const std::string_view line(data, length);
    if (StartsWith(line, "HTTP/")) {
      m_location.clear();
      m_hasLocation = false;
      return;
    }
    if (!EqualsNoCase(line.substr(0, name.size()), name))
      return;
    std::size_t first = name.size();
    std::size_t last = length;
    while (first < last && (data[first] == ' ' || data[first] == '\t'))
      ++first;
    while (last > first && (data[last - 1] == '\r' || data[last - 1] == '\n' ||
                            data[last - 1] == ' ' || data[last - 1] == '\t'))
      --last;
    m_location.assign(data + first, last - first);
    m_hasLocation = true;
  }

  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* file = static_cast<CurlHttpFile*>(self);
    const std::size_t length = size * count;
    try {
      if (file->m_body.Append(data, length))
        return length;
      file->m_bodyTooLarge = true;
    } catch (...) {
      file->m_failure = std::current_exception();
    }
    return 0;  // anything but length aborts the transfer
  }

  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> m_handle;  // owns the easy handle
  CURL* m_curl;  // the same, for the calls; null once closed
  std::size_t m_headerBytes = 0;
  bool m_headersComplete = false;
  bool m_headersTooLarge = false;
  bool m_bodyTooLarge = false;
  std::string m_headers;   // the header lines of the latest answer, as received
  std::string m_location;  // the final answer's Location field
  bool m_hasLocation = false;
  std::exception_ptr m_failure;  // raised in a callback, to be raised again after curl
  CURLcode m_bodyError = CURLE_OK;
  BodyQueue m_body;
};

class CurlHttpConnection : public CHttpConnection {
public:
  CurlHttpConnection(const std::string& server, unsigned short port, const std::string& agent)
      : m_server(server), m_port(port), m_agent(agent) {}

  std::unique_ptr<CHttpFile> OpenRequest(const std::string& verb, const std::string& object,
                                         unsigned long /*context*/, unsigned long flags) override {
    if (verb != "GET")
      ThrowCurlError(CURLE_UNSUPPORTED_PROTOCOL);
    // An IPv6 address goes back into brackets; the object starts with "/".
    const std::string host =
        m_server.find(':') != std::string::npos ? "[" + m_server + "]" : m_server;
    const std::string url =
        std::string(SchemeOf(flags)) + "://" + host + ":" + std::to_string(m_port) + object;
    return std::unique_ptr<CHttpFile>(new CurlHttpFile(url, m_agent, flags));
  }

  void Close() override {}

private:
  std::string m_server;
  unsigned short m_port;
  std::string m_agent;
};

}  // namespace

class CInternetSession::Impl {
public:
  std::string agent;
};

CInternetSession::CInternetSession(const std::string& agent, unsigned long /*context*/,
                                   unsigned long /*accessType*/, unsigned long /*flags*/)
    : m_impl(new Impl) {
  // The process-wide initialisation happens once; curl keeps it until exit.
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK)
    ThrowCurlError(initialised);
  // As curl fails when it has no memory for a handle.
  if (TestFault("internet-session"))
    ThrowCurlError(CURLE_OUT_OF_MEMORY);
  m_impl->agent = agent;
}

CInternetSession::~CInternetSession() = default;

void CInternetSession::EnableStatusCallback(bool /*enable*/) {}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::string& server,
                                                                     unsigned short port) {
  return std::unique_ptr<CHttpConnection>(new CurlHttpConnection(server, port, m_impl->agent));
}

void CInternetSession::Close() {}

}  // namespace platform
