// kavexwebupd-manifest's keys and signatures: keygen, sign, and the signature report of
// check and explain, as the tool prints them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include <unistd.h>

#include "tool/key_files.h"
#include "tool/manifest_tool.h"
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
  ToolRun signedRun = Tool({"sign", manifest, "--key", folder.Private()});
  ASSERT_EQ(signedRun.code, 0) << signedRun.err;
  EXPECT_NE(signedRun.out.find("signed: " + manifest + "\n"), std::string::npos);
  const std::string once = test::ReadFile(manifest);
  EXPECT_EQ(once.rfind(kManifest, 0), 0u);
  // Signing twice gives the same bytes, and says so.
  signedRun = Tool({"sign", manifest, "--key", folder.Private()});
  EXPECT_NE(signedRun.out.find("already signed by this key, unchanged"), std::string::npos);
  EXPECT_EQ(test::ReadFile(manifest), once);

  const std::string other = folder.Path("out.ini");
  test::WriteFile(folder.Path("plain.ini"), kManifest);
  const ToolRun json =
      Tool({"--json", "sign", folder.Path("plain.ini"), "-o", other, "--key", folder.Private()});
  EXPECT_NE(json.out.find("\"output\":\"" + other + "\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"unchanged\":false,\"line\":4,\"signedBytes\":37"), std::string::npos)
      << json.out;
  EXPECT_EQ(test::ReadFile(folder.Path("plain.ini")), kManifest);

  const ToolRun valid = Tool({"check", other, "--key", folder.Public()});
  EXPECT_EQ(valid.code, 0) << valid.out;
  EXPECT_NE(valid.out.find("signature: valid (key "), std::string::npos) << valid.out;
  const ToolRun explained =
      Tool({"--json", "explain", other, "App", "7.0", "--key", folder.Public()});
  EXPECT_EQ(explained.code, 0);
  EXPECT_NE(explained.out.find("\"status\":\"valid\",\"line\":4"), std::string::npos);
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
