// The parts of a package that need no project: file hashes and cabinets (checked with
// cabextract, another decoder).
#include <gtest/gtest.h>

#include <random>

#include "cabinet_writer.h"
#include "file_hash.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

using testenv::ReadText;
using test_support::RunCommand;
using test_support::ShellQuote;
using testenv::TempDir;
using testenv::WriteText;

TEST(FileHash, IsTheMd5AsFourSignedLittleEndianParts) {
  // MD5("abc") = 90015098 3cd24fb0 d6963f7d 28e17f72
  const builder::FileHashParts abc = builder::ComputeFileHashOfBytes("abc");
  EXPECT_EQ(abc[0], int32_t(0x98500190u));
  EXPECT_EQ(abc[1], int32_t(0xb04fd23cu));
  EXPECT_EQ(abc[2], int32_t(0x7d3f96d6u));
  EXPECT_EQ(abc[3], int32_t(0x727fe128u));
  EXPECT_LT(abc[0], 0);  // signed, as the installer stores it

  TempDir temp;
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7 + (i >> 9));
  WriteText(temp / "big.bin", big);
  builder::FileHashParts fromFile{};
  ASSERT_TRUE(builder::ComputeFileHash(temp / "big.bin", &fromFile));
  EXPECT_EQ(fromFile, builder::ComputeFileHashOfBytes(big));  // read in blocks, same digest
  EXPECT_FALSE(builder::ComputeFileHash(temp / "missing.bin", &fromFile));
}

TEST(CabinetSplit, RespectsFileCountAndByteLimits) {
  std::vector<builder::CabinetFile> files(7);
  for (auto& f : files) f.size = 1;
  builder::CabinetLimits limits;
  limits.maxFiles = 3;
  EXPECT_EQ(builder::SplitIntoCabinets(files, limits), (std::vector<size_t>{3, 6, 7}));

  limits.maxFiles = 100;
  limits.maxBytes = 10;
  files = {{"a", "", 4}, {"b", "", 6}, {"c", "", 1}, {"huge", "", 50}, {"d", "", 10}, {"e", "", 0}};
  // a+b fill 10; c alone is followed by a file that cannot fit anywhere, which stands alone.
  EXPECT_EQ(builder::SplitIntoCabinets(files, limits), (std::vector<size_t>{2, 3, 4, 6}));
  EXPECT_TRUE(builder::SplitIntoCabinets({}, limits).empty());
}

TEST(CabinetWriter, WritesMszipCabinetsInOrderThatAnotherDecoderReads) {
  TempDir temp;
  std::mt19937 random(42);
  std::string noise(200000, '\0');
  for (char& c : noise) c = char(random());
  WriteText(temp / "src/noise.bin", noise);
  WriteText(temp / "src/empty.txt", "");
  WriteText(temp / "src/text.txt", std::string(100000, 'x'));
  std::vector<builder::CabinetFile> files = {
      {"zeta.bin", temp / "src/noise.bin", noise.size()},
      {"alpha.txt", temp / "src/empty.txt", 0},
      {"mid.txt", temp / "src/text.txt", 100000},
  };
  std::string error;
  ASSERT_TRUE(builder::WriteCabinet(temp / "one.cab", files, 946684800, &error)) << error;
  std::string output;
  ASSERT_EQ(RunCommand("cabextract -t " + ShellQuote(temp / "one.cab"), &output), 0) << output;

  // Files stay in the order given (the installer reads a cabinet in sequence order), and carry
  // the fixed date.
  ASSERT_EQ(RunCommand("cabextract -l " + ShellQuote(temp / "one.cab"), &output), 0);
  const size_t zeta = output.find("zeta.bin"), alpha = output.find("alpha.txt"), mid = output.find("mid.txt");
  ASSERT_NE(zeta, std::string::npos);
  EXPECT_LT(zeta, alpha);
  EXPECT_LT(alpha, mid);
  EXPECT_NE(output.find("01.01.2000 00:00:00"), std::string::npos) << output;

  ASSERT_EQ(RunCommand("cabextract -q -d " + ShellQuote(temp / "out") + " " + ShellQuote(temp / "one.cab"), &output), 0);
  EXPECT_EQ(ReadText(temp / "out/zeta.bin"), noise);
  EXPECT_EQ(ReadText(temp / "out/mid.txt"), std::string(100000, 'x'));
  EXPECT_EQ(ReadText(temp / "out/alpha.txt"), "");
  EXPECT_LT(ReadText(temp / "one.cab").size(), noise.size() + 10000);  // the text compressed

  // With a fixed time, writing again gives the same bytes even after the sources are touched.
  WriteText(temp / "src/empty.txt", "");
  ASSERT_TRUE(builder::WriteCabinet(temp / "two.cab", files, 946684800, &error)) << error;
  EXPECT_EQ(ReadText(temp / "one.cab"), ReadText(temp / "two.cab"));

  // A source that cannot be read is a failure with a message.
  files.push_back({"gone.txt", temp / "src/gone.txt", 10});
  EXPECT_FALSE(builder::WriteCabinet(temp / "three.cab", files, std::nullopt, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
