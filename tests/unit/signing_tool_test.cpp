// kavexwebupd-manifest's keys and signatures: keygen, sign, and the signature report of
// check and explain, as the tool prints them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "tool/key_files.h"
#include "tool/manifest_tool.h"
#include "update/manifest_freshness.h"
#include "update/manifest_signature.h"

#include "reference_key.h"
#include "test_folder.h"

namespace {

using Strings = std::vector<std::string>;

const std::string kManifest = "; m\r\n[App 7.0]\r\nFileArgs=http://h/a\r\n";

// The exit code, standard output and standard error of one run of the tool.
struct ToolRun {
  int code;
  std::string out;
  std::string err;
};

ToolRun Tool(const Strings& arguments) {
  ToolRun run{0, "", ""};
  run.code = RunManifestTool(arguments, run.out, run.err);
  return run;
}

// A folder with a key pair made by the tool: private.pem and public.pem.
class KeyFolder : public test::TestFolder {
public:
  KeyFolder() {
    const ToolRun made = Tool({"keygen", Private(), Public()});
    EXPECT_EQ(made.code, 0) << made.err;
  }
  std::string Private() const { return Path("private.pem"); }
  std::string Public() const { return Path("public.pem"); }
};

}  // namespace

TEST(ManifestToolKeys, KeygenWritesAPrivateKeyForItsOwnerAndThePublicKey) {
  const KeyFolder folder;
  struct stat status;
  ASSERT_EQ(::stat(folder.Private().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  ManifestSigningKey fromPrivate;
  std::vector<ManifestKey> fromPublic;
  std::string why;
  ASSERT_TRUE(ReadPrivateKeyPem(test::ReadFile(folder.Private()), fromPrivate, why));
  ASSERT_TRUE(ReadPublicKeysPem(test::ReadFile(folder.Public()), fromPublic, why));
  EXPECT_EQ(fromPrivate.key.id, fromPublic.at(0).id);
  // Never over an existing file, and a half-made pair is not left behind.
  const std::string again = folder.Path("again.pem");
  const ToolRun refused = Tool({"keygen", again, folder.Public()});
  EXPECT_EQ(refused.code, 2);
  EXPECT_NE(refused.err.find("must not exist yet"), std::string::npos) << refused.err;
  EXPECT_FALSE(test::Exists(again));
  EXPECT_EQ(Tool({"keygen", folder.Private(), folder.Path("p2.pem")}).code, 2);
  EXPECT_EQ(
      Tool({"--json", "keygen", folder.Path("k.pem"), folder.Path("k.pub")})
          .out.rfind("{\"command\":\"keygen\",\"private\":\"" + folder.Path("k.pem") + "\"", 0),
      0u);
}

TEST(ManifestToolKeys, SignInPlaceOrIntoAnotherFileAndCheckWithThePublicKey) {
  const KeyFolder folder;
  const std::string manifest = folder.Path("update.ini");
  test::WriteFile(manifest, kManifest);
  const Strings freshness = {"--sequence", "7", "--expires", "2099-01-01"};
  Strings arguments = {"sign", manifest, "--key", folder.Private()};
  arguments.insert(arguments.end(), freshness.begin(), freshness.end());
  ToolRun signedRun = Tool(arguments);
  ASSERT_EQ(signedRun.code, 0) << signedRun.err;
  EXPECT_NE(signedRun.out.find("signed: " + manifest + "\n"), std::string::npos);
  const std::string once = test::ReadFile(manifest);
  EXPECT_EQ(once.rfind(kManifest + "; kavexwebupd-freshness sequence=7 "
                                   "expires=2099-01-01T00:00:00Z\r\n; kavexwebupd-signature ",
                       0),
            0u)
      << once;
  // Signing twice with the same freshness gives the same bytes, and says so.
  signedRun = Tool(arguments);
  EXPECT_NE(signedRun.out.find("already signed by this key, unchanged"), std::string::npos);
  EXPECT_EQ(test::ReadFile(manifest), once);

  const std::string other = folder.Path("out.ini");
  test::WriteFile(folder.Path("plain.ini"), kManifest);
  const ToolRun json =
      Tool({"--json", "sign", folder.Path("plain.ini"), "-o", other, "--key", folder.Private()});
  EXPECT_NE(json.out.find("\"output\":\"" + other + "\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"unchanged\":false,\"line\":5,\"signedBytes\":"), std::string::npos)
      << json.out;
  EXPECT_EQ(test::ReadFile(folder.Path("plain.ini")), kManifest);

  const ToolRun valid = Tool({"check", other, "--key", folder.Public()});
  EXPECT_EQ(valid.code, 0) << valid.out;
  EXPECT_NE(valid.out.find("signature: valid (key "), std::string::npos) << valid.out;
  const ToolRun explained =
      Tool({"--json", "explain", other, "App", "7.0", "--key", folder.Public()});
  EXPECT_EQ(explained.code, 0);
  EXPECT_NE(explained.out.find("\"status\":\"valid\",\"line\":5"), std::string::npos);
  EXPECT_NE(explained.out.find("\"freshness\":{\"status\":\"present\",\"line\":4,"),
            std::string::npos)
      << explained.out;
}

TEST(ManifestToolKeys, SignWritesTheFreshnessAndCheckSaysWhenItExpires) {
  const KeyFolder folder;
  const std::string manifest = folder.Path("update.ini");
  test::WriteFile(manifest, kManifest);
  auto sign = [&](const Strings& options) {
    Strings arguments = {"--json", "sign", manifest, "--key", folder.Private()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return Tool(arguments);
  };
  auto check = [&]() { return Tool({"check", manifest, "--key", folder.Public()}); };

  // By default: the signing time as the sequence, and 60 days to run.
  const std::int64_t before = platform::CurrentTime();
  ToolRun run = sign({});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::size_t at = run.out.find("\"sequence\":");
  ASSERT_NE(at, std::string::npos) << run.out;
  const std::int64_t sequence = std::stoll(run.out.substr(at + 11));
  EXPECT_GE(sequence, before);
  EXPECT_LE(sequence, platform::CurrentTime());
  EXPECT_NE(run.out.find("\"expires\":\"" + UtcTimeText(sequence + 60 * 86400) + "\""),
            std::string::npos)
      << run.out;
  run = check();
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_NE(run.out.find("freshness: expires in 60 days: line 4: sequence "), std::string::npos)
      << run.out;

  // Signed again: one freshness line, the new one.
  ASSERT_EQ(sign({"--sequence", "200", "--expires", "never"}).code, 0);
  const std::string never = test::ReadFile(manifest);
  EXPECT_EQ(never.find("; kavexwebupd-freshness"), never.rfind("; kavexwebupd-freshness"));
  run = check();
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_NE(run.out.find("freshness: never expires: line 4: sequence 200, never expires: the "
                         "manifest can be frozen"),
            std::string::npos)
      << run.out;
  run = Tool({"--json", "check", manifest, "--key", folder.Public()});
  EXPECT_NE(run.out.find("\"sequence\":200,\"expires\":\"never\",\"expired\":false,"
                         "\"daysLeft\":null,\"canBeFrozen\":true"),
            std::string::npos)
      << run.out;

  // A date already past is signed, with a warning; check calls it expired, a finding.
  run = sign({"--expires", "2020-02-29"});
  EXPECT_EQ(run.code, 0);
  EXPECT_NE(run.err.find("warning: the manifest expired when it was signed (2020-02-29T00:00:00Z)"),
            std::string::npos)
      << run.err;
  run = check();
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.out.find("freshness: expired: line 4: sequence "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("The update information has expired"), std::string::npos) << run.out;

  // A freshness line out of its place, or none: a program refuses the manifest.
  test::WriteFile(manifest, "; kavexwebupd-freshness sequence=1 expires=never\r\n" + kManifest);
  ASSERT_EQ(sign({"--expires", "30"}).code, 0);
  EXPECT_EQ(test::ReadFile(manifest).rfind(";\r\n" + kManifest, 0), 0u);
  EXPECT_EQ(check().code, 0);
  const std::string fresh = test::ReadFile(manifest);
  const std::size_t line = fresh.find("; kavexwebupd-freshness");
  test::WriteFile(manifest, fresh.substr(0, line) + "; kavexwebupd-freshness sequence=1 "
                                                    "expires=never\r\n" + fresh.substr(line));
  run = Tool({"--json", "check", manifest, "--key", folder.Public()});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.out.find("\"freshness\":{\"status\":\"misplaced\",\"line\":5,"),
            std::string::npos)
      << run.out;

  // Values sign cannot write, and options that belong to sign alone.
  for (const Strings& options :
       {Strings{"--sequence", "-1"}, Strings{"--sequence", "0012"},
        Strings{"--sequence", "1234567890123456789"}, Strings{"--expires", "2023-02-29"},
        Strings{"--expires", "1969-12-31"}, Strings{"--expires", "36501"},
        Strings{"--expires", "soon"}}) {
    run = sign(options);
    EXPECT_EQ(run.code, 2) << options[1];
    EXPECT_NE(run.err.find(options[0] + " " + options[1] + ": give "), std::string::npos)
        << run.err;
  }
  EXPECT_EQ(Tool({"check", manifest, "--expires", "3"}).code, 2);
}

TEST(ManifestToolKeys, ASignatureThatIsNotValidIsAFindingOfEveryCommand) {
  const KeyFolder folder;
  const std::string manifest = folder.Path("update.ini");
  test::WriteFile(manifest, kManifest);
  const ToolRun missing = Tool({"check", manifest, "--key", folder.Public()});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.out.find("signature: missing"), std::string::npos) << missing.out;
  EXPECT_NE(missing.out.find("The update information is not signed by the publisher"),
            std::string::npos);
  EXPECT_EQ(Tool({"explain", manifest, "App", "7.0", "--key", folder.Public()}).code, 1);
  EXPECT_EQ(Tool({"products", manifest, folder.Path(), "--key", folder.Public()}).code, 1);

  ASSERT_EQ(Tool({"sign", manifest, "--key", folder.Private()}).code, 0);
  std::string changed = test::ReadFile(manifest);
  changed[changed.find("h/a")] = 'g';
  test::WriteFile(manifest, changed);
  const ToolRun bad = Tool({"--json", "check", manifest, "--key", folder.Public()});
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.out.find("\"status\":\"bad\""), std::string::npos) << bad.out;

  // Against a key that did not sign it: another key, and the fix names the one expected.
  const std::string reference = folder.Path("reference.pem");
  test::WriteFile(reference, PublicKeyPem(kReferencePoint));
  const ToolRun other = Tool({"check", manifest, "--key", reference});
  EXPECT_EQ(other.code, 1);
  EXPECT_NE(other.out.find("signature: other-key (key " + std::string(kReferenceKeyId)),
            std::string::npos)
      << other.out;
}

TEST(ManifestToolKeys, KeysAndManifestsThatCannotServe) {
  const KeyFolder folder;
  const std::string manifest = folder.Path("update.ini");
  test::WriteFile(manifest, kManifest);
  // A public key is no signing key, a private key no --key of check, and sign needs a key.
  for (const Strings& arguments :
       {Strings{"sign", manifest, "--key", folder.Public()},
        Strings{"check", manifest, "--key", folder.Private()},
        Strings{"check", manifest, "--key", folder.Path("none.pem")},
        Strings{"sign", folder.Path("none.ini"), "--key", folder.Private()}}) {
    const ToolRun run = Tool(arguments);
    EXPECT_EQ(run.code, 2) << arguments[0] << " " << arguments[3];
    EXPECT_EQ(run.err.rfind("kavexwebupd-manifest: ", 0), 0u) << run.err;
  }
  test::WriteFile(folder.Path("zero.ini"), std::string("; m\r\n\0x\r\n", 9));
  const ToolRun zero = Tool({"sign", folder.Path("zero.ini"), "--key", folder.Private()});
  EXPECT_EQ(zero.code, 2);
  EXPECT_NE(zero.err.find("zero byte"), std::string::npos) << zero.err;
  for (const Strings& arguments :
       {Strings{"sign", manifest}, Strings{"sign", manifest, "--key"},
        Strings{"keygen", folder.Path("a.pem")}, Strings{"check", manifest, "-o", "x"},
        Strings{"keygen", folder.Path("a"), folder.Path("b"), "--key", folder.Public()},
        Strings{"check", manifest, "--key", "a", "--key", "b"}}) {
    const ToolRun run = Tool(arguments);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("Usage: kavexwebupd-manifest"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(test::Exists(folder.Path("a.pem")));
}

TEST(ManifestToolKeys, SignsWithEveryKeyGivenAndCannotLoseOrLeakOne) {
  const KeyFolder folder;
  const std::string second = folder.Path("second.pem");
  ASSERT_EQ(Tool({"keygen", second, folder.Path("second.pub")}).code, 0);
  const std::string manifest = folder.Path("update.ini");
  test::WriteFile(manifest, kManifest);
  const ToolRun both = Tool({"--json", "sign", manifest, "--key", folder.Private(), "--key", second});
  ASSERT_EQ(both.code, 0) << both.err;
  EXPECT_EQ(both.err, "");
  EXPECT_NE(both.out.find("\"keyIds\":[\""), std::string::npos) << both.out;
  // Each public key alone finds it valid; a file with both keys too.
  test::WriteFile(folder.Path("both.pub"),
                  test::ReadFile(folder.Path("second.pub")) + test::ReadFile(folder.Public()));
  for (const std::string& key : {folder.Public(), folder.Path("second.pub"), folder.Path("both.pub")})
    EXPECT_EQ(Tool({"check", manifest, "--key", key}).code, 0) << key;

  // The output is never the key file, under any name.
  const std::string key = test::ReadFile(folder.Private());
  ASSERT_EQ(::link(folder.Private().c_str(), folder.Path("linked.pem").c_str()), 0);
  for (const std::string& output : {folder.Private(), folder.Path("./private.pem"), folder.Path("linked.pem")}) {
    const ToolRun run = Tool({"sign", manifest, "--key", folder.Private(), "-o", output});
    EXPECT_EQ(run.code, 2) << output;
    EXPECT_NE(run.err.find("would destroy the private key"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Tool({"sign", folder.Private(), "--key", folder.Private()}).code, 2);
  EXPECT_EQ(test::ReadFile(folder.Private()), key);
  // Nor is a private key signed as a manifest, to be published.
  test::WriteFile(folder.Path("leak.ini"), kManifest + key);
  const ToolRun leak = Tool({"sign", folder.Path("leak.ini"), "--key", second});
  EXPECT_EQ(leak.code, 2);
  EXPECT_NE(leak.err.find("holds a private key"), std::string::npos) << leak.err;

  // A key others may read is used, with a warning.
  ASSERT_EQ(::chmod(second.c_str(), 0640), 0);
  const ToolRun readable = Tool({"sign", manifest, "--key", second});
  EXPECT_EQ(readable.code, 0);
  EXPECT_NE(readable.err.find("warning: the private key " + second + " may be read by other users"),
            std::string::npos)
      << readable.err;
}
