#include "update/manifest_download.h"

#include <cstdint>

#include "build_options.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "platform/url.h"
#include "settings/manifest_sequences.h"
#include "ui/resource_ids.h"
#include "ui/texts.h"
#include "update/manifest_freshness.h"
#include "update/manifest_signature.h"

namespace {

const char kAgentName[] = "Kavex Web Update";
const unsigned long kSessionContext = 1;
const unsigned long kRequestContext = 1;
const unsigned long kRequestFlags =
    platform::kInternetFlagExistingConnect | platform::kInternetFlagNoAutoRedirect;
const unsigned long kBypassCacheFlags = platform::kInternetFlagReload |
                                        platform::kInternetFlagNoCacheWrite |
                                        platform::kInternetFlagPragmaNoCache;
// A maker who allowed https or built a key in relies on what the server says now: a cached
// answer could hold back a newer manifest. The one place that reads those build options.
constexpr bool kChannelSecured = KWU_ACCEPTS_HTTPS != 0 || KWU_MANIFEST_KEY_BUILT_IN != 0;
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
  m_request = m_connection->OpenRequest(
      "GET", parts.object, kRequestContext,
      ManifestRequestFlags(kChannelSecured, parts.service == platform::kServiceHttps));
  return *m_request;
}

unsigned long ManifestRequestFlags(bool channelSecured, bool httpsAddress) {
  return kRequestFlags | (httpsAddress ? platform::kInternetFlagSecure : 0) |
         (channelSecured ? kBypassCacheFlags : 0);
}

void ManifestRequest::Close() {
  if (m_request)
    m_request->Close();
  if (m_connection)
    m_connection->Close();
  m_session.Close();
}

namespace {

// A build with keys takes only a manifest signed by one of them, whole and fresh: anything
// else is an update error of its own. A build without one has no signature code at all.
//  - A zero byte: the read drops the rest of its piece, so the bytes checked would not be
//    those served; the tool never signs one, so one means a change.
//  - No valid signature by a trusted key, or a line by one that does not verify.
//  - No freshness line just before the signature, an expiry passed, or a sequence lower
//    than one accepted before from this address. The sequence of a manifest taken is
//    remembered; a store that cannot be written costs only that memory.
void AcceptSignedOnly(const std::string& url, std::string& manifest, bool heldZeroByte) {
  if constexpr (KWU_MANIFEST_KEY_BUILT_IN != 0) {
    const ManifestSignature signature = CheckManifestSignature(manifest, BuiltInManifestKeys());
    if (heldZeroByte || signature.status != SignatureStatus::kValid) {
      manifest.clear();
      throw CWebUpdateException(FormatText(IDS_BAD_SIGNATURE));
    }
    const ManifestFreshness freshness = ReadManifestFreshness(manifest, signature.signedBytes);
    switch (JudgeFreshness(freshness, platform::CurrentTime(), AcceptedManifestSequence(url))) {
      case FreshnessVerdict::kAccepted: break;
      case FreshnessVerdict::kNoFreshness:
        manifest.clear();
        throw CWebUpdateException(FormatText(IDS_BAD_SIGNATURE));
      case FreshnessVerdict::kExpired:
        manifest.clear();
        throw CWebUpdateException(FormatText(IDS_EXPIRED_MANIFEST));
      case FreshnessVerdict::kOlder:
        manifest.clear();
        throw CWebUpdateException(FormatText(IDS_OLDER_MANIFEST));
    }
    RecordManifestSequence(url, freshness.sequence);
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
    std::size_t stored = 0;
    bool heldZeroByte = false;
    while (answer.ReadString(buffer, kMaxPieceRequest, &stored)) {
      const std::size_t before = manifest.size();
      manifest += buffer;  // a zero byte ends the piece it stands in
      heldZeroByte = heldZeroByte || manifest.size() - before != stored;
    }

    if (acceptSignedOnly)
      AcceptSignedOnly(url, manifest, heldZeroByte);
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
