#include "update/manifest_download.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/answer_framing.h"
#include "platform/internet.h"

using platform::CInternetException;

TEST(InternetErrorText, FramesCodeAndMessage) {
  EXPECT_EQ(InternetErrorText(CInternetException(12029, "The attempt to connect failed.\r\n")),
            "(12029) The attempt to connect failed.");
  EXPECT_EQ(InternetErrorText(CInternetException(7, "Couldn't connect to server")),
            "(7) Couldn't connect to server.");
  // An empty message leaves the code and a full stop: the blank after ")" goes too.
  EXPECT_EQ(InternetErrorText(CInternetException(12, "")), "(12).");
  EXPECT_EQ(InternetErrorText(CInternetException(12, " \r\n\t")), "(12).");
  // Only trailing white space goes; a stop inside the message is not the last one.
  EXPECT_EQ(InternetErrorText(CInternetException(5, "  a. b  \n")), "(5)   a. b.");
  EXPECT_EQ(InternetErrorText(CInternetException(5, "ends in dots...")), "(5) ends in dots...");
  // The code is a 32-bit value shown signed.
  EXPECT_EQ(InternetErrorText(CInternetException(0xFFFFFFFFul, "x")), "(-1) x.");
}

TEST(InternetErrorText, MessageIsCutToTheBufferOfTheInternetService) {
  const std::string longMessage(2000, 'm');
  const CInternetException exception(1, longMessage);
  EXPECT_EQ(exception.GetErrorMessage().size(), platform::kMaxInternetErrorMessage);
}

namespace {

// A request whose body comes from memory in reads of a fixed size, and whose end can
// be made to fail as a cut-off connection does.
class MemoryHttpFile : public platform::CHttpFile {
public:
  MemoryHttpFile(std::string body, std::size_t readSize, bool failAtEnd = false)
      : m_body(std::move(body)), m_readSize(readSize), m_failAtEnd(failAtEnd) {}
  void SendRequest() override {}
  bool QueryInfoStatusCode(unsigned long& status) override {
    status = 200;
    return true;
  }
  void Close() override {}

protected:
  std::size_t ReadBody(char* buffer, std::size_t size) override {
    const std::size_t count = std::min({size, m_readSize, m_body.size() - m_position});
    if (count == 0 && m_failAtEnd)
      throw CInternetException(12030, "terminated");
    std::memcpy(buffer, m_body.data() + m_position, count);
    m_position += count;
    return count;
  }

private:
  std::string m_body;
  std::size_t m_readSize;
  bool m_failAtEnd;
  std::size_t m_position = 0;
};

// The pieces ReadString hands out with the buffer the download uses.
std::vector<std::string> Pieces(const std::string& body, std::size_t readSize = 4096) {
  MemoryHttpFile file(body, readSize);
  std::vector<std::string> pieces;
  char buffer[1024];
  while (file.ReadString(buffer, 1023))
    pieces.emplace_back(buffer);  // up to the terminating zero, as the download appends
  return pieces;
}

}  // namespace

TEST(ReadString, PiecesEndAfterEachLineFeedOrAt1022Characters) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(Pieces(""), Lines{});
  EXPECT_EQ(Pieces("a\r\nb\nc\rd"), (Lines{"a\r\n", "b\n", "c\rd"}));
  EXPECT_EQ(Pieces("\n\n"), (Lines{"\n", "\n"}));

  const std::string longLine = std::string(2500, 'x') + "\n";
  const Lines pieces = Pieces(longLine + "end");
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[0].size(), 1022u);
  EXPECT_EQ(pieces[1].size(), 1022u);
  EXPECT_EQ(pieces[2], std::string(2500 - 2044, 'x') + "\n");
  EXPECT_EQ(pieces[3], "end");

  // However the body trickles in, the pieces are the same.
  EXPECT_EQ(Pieces(longLine + "end", 1), pieces);
  EXPECT_EQ(Pieces(longLine + "end", 1021), pieces);
}

TEST(ReadString, AZeroByteCutsOffTheRestOfItsPiece) {
  std::string body("ab\0cd\nef\n", 9);
  EXPECT_EQ(Pieces(body), (std::vector<std::string>{"ab", "ef\n"}));
  // The piece around a zero byte in a long line ends at 1,022 characters as usual.
  body = std::string(1000, 'a') + std::string(1, '\0') + std::string(100, 'b') + "\nc";
  EXPECT_EQ(Pieces(body),
            (std::vector<std::string>{std::string(1000, 'a'), std::string(79, 'b') + "\n", "c"}));
}

TEST(ReadString, ABodyThatBreaksOffRaisesOnceItsDataIsUsedUp) {
  MemoryHttpFile file("line\nrest", 3, true);
  char buffer[1024];
  ASSERT_TRUE(file.ReadString(buffer, 1023));
  EXPECT_STREQ(buffer, "line\n");
  EXPECT_THROW(file.ReadString(buffer, 1023), CInternetException);
}

TEST(BodyQueue, TakesABodyOfExactlyTheLimitAndRefusesOneByteMore) {
  platform::BodyQueue body(100000);
  const std::string first(70000, 'a');
  const std::string second(30000, 'b');
  ASSERT_TRUE(body.Append(first.data(), first.size()));
  ASSERT_TRUE(body.Append(second.data(), second.size()));
  EXPECT_FALSE(body.Append("c", 1));
  EXPECT_EQ(body.Received(), 100000u);  // the refused byte is not kept

  // Handed out whole and in order, across the blocks.
  std::string out;
  char buffer[4096];
  while (const std::size_t got = body.Take(buffer, sizeof buffer))
    out.append(buffer, got);
  EXPECT_EQ(out, first + second);
  // A refused piece is refused whole, even when part of it would fit.
  platform::BodyQueue small(10);
  EXPECT_TRUE(small.Append("12345678", 8));
  EXPECT_FALSE(small.Append("abc", 3));
  EXPECT_EQ(small.Take(buffer, sizeof buffer), 8u);
}

TEST(BodyQueue, HoldsLittleMoreThanTheBytesNotYetHandedOut) {
  platform::BodyQueue body(platform::kMaxBodySize);
  // A body in one-byte pieces, as a chunked answer may come, must not cost a block each.
  for (int i = 0; i < 300000; ++i)
    ASSERT_TRUE(body.Append("x", 1));
  EXPECT_LE(body.Reserved(), 300000u + 64 * 1024);

  // What was handed out is released on the way.
  std::vector<char> buffer(200000);
  EXPECT_EQ(body.Take(buffer.data(), buffer.size()), buffer.size());
  EXPECT_LE(body.Reserved(), 100000u + 64 * 1024);
  EXPECT_EQ(body.Take(buffer.data(), buffer.size()), 100000u);
  EXPECT_EQ(body.Reserved(), 0u);
  EXPECT_EQ(body.Take(buffer.data(), buffer.size()), 0u);
  EXPECT_EQ(body.Received(), 300000u);
}

namespace {

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
  ScopedVariable(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
      m_old = old;
      m_had = true;
    }
    setenv(name, value, 1);
  }
  ~ScopedVariable() {
    if (m_had)
      setenv(m_name, m_old.c_str(), 1);
    else
      unsetenv(m_name);
  }

private:
  const char* m_name;
  std::string m_old;
  bool m_had = false;
};

}  // namespace

// The framing both builds read from an answer's header block before its body.
TEST(ReadAnswerFraming, LengthsMustAgreeAndNoEncodingIsAccepted) {
  using platform::AnswerFraming;
  using platform::ReadAnswerFraming;
  const std::string status = "HTTP/1.1 200 OK\r\n";
  const AnswerFraming plain = ReadAnswerFraming(status + "content-length:  42 \r\nX: 1\r\n\r\n");
  EXPECT_EQ(plain.fault, AnswerFraming::kReadable);
  EXPECT_TRUE(plain.hasContentLength);
  EXPECT_EQ(plain.contentLength, 42u);
  EXPECT_FALSE(ReadAnswerFraming(status + "X-Length: 5\r\n").hasContentLength);
  for (const char* same : {"Content-Length: 7\nContent-Length: 7\n", "Content-Length: 7, 7\n",
                           "Content-Encoding: identity\nContent-Length: 7\n"})
    EXPECT_EQ(ReadAnswerFraming(same).fault, AnswerFraming::kReadable) << same;
  for (const char* bad :
       {"Content-Length: 7\r\nContent-Length: 5\r\n", "Content-Length: 7, 5\r\n",
        "Content-Length: -5\r\n", "Content-Length: +5\r\n", "Content-Length: 5x\r\n",
        "Content-Length:\r\n", "Content-Length: 0x10\r\n"})
    EXPECT_EQ(ReadAnswerFraming(status + bad).fault, AnswerFraming::kContentLength) << bad;
  for (const char* encoded : {"Content-Encoding: gzip\r\n", "content-encoding: identity, br\r\n"})
    EXPECT_EQ(ReadAnswerFraming(encoded).fault, AnswerFraming::kContentEncoding) << encoded;
  // Too large to hold is past every bound, not unreadable.
  const AnswerFraming huge = ReadAnswerFraming("Content-Length: " + std::string(26, '9') + "\n");
  EXPECT_EQ(huge.fault, AnswerFraming::kReadable);
  EXPECT_EQ(huge.contentLength, ~std::uint64_t(0));
  EXPECT_EQ(ReadAnswerFraming("Content-Length: 18446744073709551615\n").contentLength,
            ~std::uint64_t(0));
}

TEST(InternetTimeouts, TheDeadlineIsShortenedOnItsOwn) {
  {
    ScopedVariable timeout("KWU_INTERNET_TIMEOUT", "");
    ScopedVariable deadline("KWU_INTERNET_DEADLINE", "");
    const platform::InternetTimeouts defaults = platform::GetInternetTimeouts();
    EXPECT_EQ(defaults.connectSeconds, 60u);
    EXPECT_EQ(defaults.stallSeconds, 30u);
    EXPECT_EQ(defaults.deadlineSeconds, 120u);
  }
  {
    ScopedVariable deadline("KWU_INTERNET_DEADLINE", "5");
    ScopedVariable timeout("KWU_INTERNET_TIMEOUT", "3");
    const platform::InternetTimeouts shortened = platform::GetInternetTimeouts();
    EXPECT_EQ(shortened.connectSeconds, 3u);
    EXPECT_EQ(shortened.stallSeconds, 3u);
    EXPECT_EQ(shortened.deadlineSeconds, 5u);
  }
  for (const char* bad : {"0", "-5", "abc", "7x", "86401"}) {
    ScopedVariable deadline("KWU_INTERNET_DEADLINE", bad);
    EXPECT_EQ(platform::GetInternetTimeouts().deadlineSeconds, 120u) << bad;
  }
}

TEST(ManifestRequestFlags, OnlyABuildWithHttpsOrAKeyBypassesTheCache) {
  // WinINet's values: EXISTING_CONNECT | NO_AUTO_REDIRECT, SECURE, and RELOAD |
  // NO_CACHE_WRITE | PRAGMA_NOCACHE.
  const unsigned long fixed = 0x20200000, secure = 0x00800000, uncached = 0x84000100;
  struct Case {
    bool channelSecured, httpsAddress;
    unsigned long flags;
  };
  for (const Case& c : {Case{false, false, fixed},  // the default build: exactly these
                        Case{false, true, fixed | secure},
                        Case{true, false, fixed | uncached},  // http with a key
                        Case{true, true, fixed | secure | uncached}}) {
    EXPECT_EQ(ManifestRequestFlags(c.channelSecured, c.httpsAddress), c.flags)
        << c.channelSecured << c.httpsAddress;
  }
}

TEST(DownloadManifest, AnAddressThatIsNotHttpFailsAtOnceAndEmptiesBothOutputs) {
  for (const std::string url :
       {"https://host/update.ini", "ftp://host/x", "not a url", "", "http://user@host/"}) {
    std::string manifest = "left over";
    std::string errorText = "left over";
    EXPECT_EQ(DownloadManifest(url, manifest, errorText), DL_UPDATE_ERROR);
    EXPECT_EQ(errorText, "URL has incorrect format: " + url);
    EXPECT_EQ(manifest, "");
  }
}
