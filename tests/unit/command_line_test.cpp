#include "app/command_line.h"

#include <gtest/gtest.h>

#include "platform/usage_text.h"

namespace {

struct Decoded {
  bool usageError = false;
  bool silent = false;
  std::vector<std::string> keys;
};

Decoded Decode(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "kavexwebupd");
  Decoded result;
  ProductList products;
  result.silent = true;  // must be set by the decoding, whatever it was
  try {
    DecodeCommandLine(arguments, products, result.silent);
  } catch (const StartupError& error) {
    EXPECT_STREQ(error.what(), platform::kUsageText);
    result.usageError = true;
  }
  for (std::size_t index = 0; index < products.GetCount(); ++index)
    result.keys.push_back(products.GetAt(index).GetKey());
  return result;
}

}  // namespace

TEST(CommandLine, SilentFlagAlone) {
  Decoded off = Decode({"0"});
  EXPECT_FALSE(off.usageError);
  EXPECT_FALSE(off.silent);
  EXPECT_TRUE(off.keys.empty());

  Decoded on = Decode({"1"});
  EXPECT_FALSE(on.usageError);
  EXPECT_TRUE(on.silent);
  EXPECT_TRUE(on.keys.empty());
}

TEST(CommandLine, OneProduct) {
  Decoded plain = Decode({"App", "7.0"});
  EXPECT_FALSE(plain.usageError);
  EXPECT_FALSE(plain.silent);
  EXPECT_EQ(plain.keys, std::vector<std::string>{"App V:7.0 L:en"});

  Decoded silent = Decode({"My App", " 7.0 ", "1"});
  EXPECT_TRUE(silent.silent);
  EXPECT_EQ(silent.keys, std::vector<std::string>{"My App V: 7.0  L:en"});

  Decoded localised = Decode({"App", "7.0", "0", "DE"});
  EXPECT_FALSE(localised.usageError);
  EXPECT_FALSE(localised.silent);
  EXPECT_EQ(localised.keys, std::vector<std::string>{"App V:7.0 L:de"});

  EXPECT_EQ(Decode({"App", "7.0", "1", ""}).keys, std::vector<std::string>{"App V:7.0 L:en"});
}

TEST(CommandLine, UsageErrors) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"01"},
      {" 1"},
      {"1 "},
      {"true"},
      {""},
      {"2"},
      {"App", "7.0", "2"},
      {"App", "7.0", "01"},
      {"App", "7.0", "", "de"},
      {"App", "7.0", "1", "de", "extra"},
      {"a", "b", "c", "d", "e", "f"},
  };
  for (const auto& arguments : wrong) {
    const Decoded decoded = Decode(arguments);
    EXPECT_TRUE(decoded.usageError) << arguments.size();
    EXPECT_TRUE(decoded.keys.empty()) << "no product is added before the error";
  }
}
