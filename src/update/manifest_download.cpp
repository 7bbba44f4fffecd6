#include "update/manifest_download.h"

#include <cstdint>

#include "build_options.h"
#include "platform/text.h"
#include "platform/url.h"
#include "ui/resource_ids.h"
#include "ui/texts.h"
#include "update/manifest_signature.h"

namespace {

const char kAgentName[] = "Kavex Web Update";
const unsigned long kSessionContext = 1;
const unsigned long kRequestContext = 1;
const unsigned long kRequestFlags =
    platform::kInternetFlagExistingConnect | platform::kInternetFlagNoAutoRedirect;
const unsigned long kRequiredStatus = 200;
// One piece of the body: a buffer of 1,024 characters, at most 1,023 asked for.
const std::size_t kReadBufferSize = 1024;
const std::size_t kMaxPieceRequest = kReadBufferSize - 1;

// The parts of text when it is an address of a scheme the build accepts: the one test
// behind IsHttpUrl and the download.
bool ParseHttpUrl(const std::string& text, platform::ParsedUrl& parts) {
  return platform::ParseUrl(text, parts) &&
         platform::IsOfSchemes(parts, platform::AcceptedSchemes());
}

}  // namespace

CWebUpdateSession::CWebUpdateSession()
    : platform::CInternetSession(kAgentName, kSessionContext, platform::kInternetOpenTypePreconfig,
                                 0) {}

void CWebUpdateSession::OnStatusCallback(unsigned long, unsigned long, const void*, unsigned long) {
}

std::string InternetErrorText(const platform::CInternetException& exception) {
  // The code is a 32-bit value shown as a signed number.
  const long code = static_cast<std::int32_t>(static_cast<std::uint32_t>(exception.m_dwError));
  std::string text = "(" + std::to_string(code) + ") " + exception.GetErrorMessage();
  text = TrimRight(text);
  if (text.empty() || text.back() != '.')
    text += '.';
  return text;
}

bool IsHttpUrl(const std::string& text) {
  platform::ParsedUrl parts;
  return ParseHttpUrl(text, parts);
}

platform::CHttpFile& ManifestRequest::Open(const std::string& url) {
  platform::ParsedUrl parts;
  if (!ParseHttpUrl(url, parts))
    throw CWebUpdateException(FormatText(IDS_BAD_URL) + ": " + url);
  m_session.EnableStatusCallback(true);
  m_connection = m_session.GetHttpConnection(parts.server, parts.port);
  const unsigned long secure =
      parts.service == platform::kServiceHttps ? platform::kInternetFlagSecure : 0;
  m_request =
      m_connection->OpenRequest("GET", parts.object, kRequestContext, kRequestFlags | secure);
  return *m_request;
}

void ManifestRequest::Close() {
  if (m_request)
    m_request->Close();
  if (m_connection)
    m_connection->Close();
  m_session.Close();
}

namespace {

// A build with keys takes only a manifest signed by one of them: anything else is an update
// error of its own. A build without one has no signature code at all.
void AcceptSignedOnly(std::string& manifest) {
  if constexpr (KWU_MANIFEST_KEY_BUILT_IN != 0) {
    if (CheckManifestSignature(manifest, BuiltInManifestKeys()).status != SignatureStatus::kValid) {
      manifest.clear();
      throw CWebUpdateException(FormatText(IDS_BAD_SIGNATURE));
    }
  }
}

int Download(const std::string& url, std::string& manifest, std::string& errorText,
             bool acceptSignedOnly) {
  manifest.clear();
  errorText.clear();
  int result = DL_OK;

  // Outside the guarded region: a session that does not open is the caller's to report.
  ManifestRequest request;
  try {
    platform::CHttpFile& answer = request.Open(url);
    answer.SendRequest();

    unsigned long status = 0;
    if (!answer.QueryInfoStatusCode(status))
      status = 0;  // an unreadable status line is never a success
    if (status != kRequiredStatus)
      throw CWebUpdateException(FormatText(IDS_CONNECTION_ERROR, static_cast<long>(status)));

    char buffer[kReadBufferSize];
    while (answer.ReadString(buffer, kMaxPieceRequest))
      manifest += buffer;  // a zero byte ends the piece it stands in

    if (acceptSignedOnly)
      AcceptSignedOnly(manifest);
  } catch (const platform::CInternetException& exception) {
    errorText = InternetErrorText(exception);
    result = DL_INTERNET_ERROR;
  } catch (const CWebUpdateException& exception) {
    errorText = exception.m_strMessage;
    result = DL_UPDATE_ERROR;
  } catch (...) {
    errorText = LoadText(IDS_UNKNOWN_ERROR);
    result = DL_UNKNOWN_ERROR;
  }
  request.Close();
  return result;
}

}  // namespace

int DownloadManifest(const std::string& url, std::string& manifest, std::string& errorText) {
  return Download(url, manifest, errorText, true);
}

int FetchManifest(const std::string& url, std::string& manifest, std::string& errorText) {
  return Download(url, manifest, errorText, false);
}
