#pragma once
#include <exception>
#include <memory>
#include <string>

#include "platform/internet.h"

// Result codes of DownloadManifest.
enum {
  DL_OK = 0,              // status 200 and the whole body read
  DL_INTERNET_ERROR = 1,  // the internet service failed
  DL_UPDATE_ERROR = 2,    // not an http URL, a status other than 200, or (in a build with a
                          // key) a manifest without a valid signature
  DL_UNKNOWN_ERROR = 3,   // anything else
};

// An update-check failure that carries a message ready to be shown.
class CWebUpdateException : public std::exception {
public:
  explicit CWebUpdateException(const std::string& message) : m_strMessage(message) {}
  const char* what() const noexcept override { return m_strMessage.c_str(); }

  const std::string m_strMessage;
};

// The session of one download: fixed agent and proxy settings, notifications ignored.
class CWebUpdateSession : public platform::CInternetSession {
public:
  CWebUpdateSession();
  void OnStatusCallback(unsigned long context, unsigned long status, const void* info,
                        unsigned long infoLength) override;
};

// The manifest's GET request as the program makes it: a CWebUpdateSession with its status
// notifications enabled, a connection to the address's server and port, and the request
// for its object with the fixed context and flags. Every request for a manifest, the
// program's and the makers' tool's, is opened here, so that they cannot differ. Released
// in reverse order: the request, its connection, the session.
class ManifestRequest {
public:
  // Opens the session. Raises platform::CInternetException when it does not open.
  ManifestRequest() = default;

  // Connects and opens the request for url, not yet sent; over TLS for an https address.
  // Raises CWebUpdateException (IDS_BAD_URL) when IsHttpUrl refuses url, and
  // platform::CInternetException.
  platform::CHttpFile& Open(const std::string& url);
  // Closes the request, the connection and the session, as far as they are open.
  void Close();

private:
  CWebUpdateSession m_session;
  std::unique_ptr<platform::CHttpConnection> m_connection;
  std::unique_ptr<platform::CHttpFile> m_request;
};

// The flags of the manifest's request: reuse of a connection, no redirection followed,
// kInternetFlagSecure for an https address and, in a build whose channel its maker secured
// (https accepted or a key built in), the flags that keep the system's cache from ever
// answering for the server. The default build sends the first two alone.
unsigned long ManifestRequestFlags(bool channelSecured, bool httpsAddress);

// Fetches the manifest at url by one HTTP GET. Both outputs are emptied first; on DL_OK
// manifest holds the body and errorText is empty, otherwise errorText says what failed.
// In a build with a key (KWU_MANIFEST_PUBLIC_KEY), a body without a valid signature by it
// is DL_UPDATE_ERROR with IDS_BAD_SIGNATURE, and manifest is emptied.
// A session that cannot be opened raises platform::CInternetException to the caller.
int DownloadManifest(const std::string& url, std::string& manifest, std::string& errorText);

// DownloadManifest without the signature check of a build with a key: the transfer alone,
// for the makers' tool, which judges the signature itself.
int FetchManifest(const std::string& url, std::string& manifest, std::string& errorText);

// True exactly when the URL parser accepts text and it names a scheme the build accepts:
// the http service alone, unless the build's KWU_URL_SCHEMES adds or chooses https.
bool IsHttpUrl(const std::string& text);

// "(code) message", trailing white space removed and ending in ".".
std::string InternetErrorText(const platform::CInternetException& exception);
