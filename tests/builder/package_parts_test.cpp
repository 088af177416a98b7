// The parts of a package that need no project: file hashes and cabinets (read back with
// three decoders of their own: cabextract, 7-Zip and libgcab).
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <libgcab.h>

#include <filesystem>
#include <random>

#include "cabinet_writer.h"
#include "file_hash.h"
#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

using testenv::ReadText;
using test_support::RunCommand;
using test_support::ShellQuote;
using testenv::TempDir;
using testenv::WriteText;
namespace fs = std::filesystem;

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
  // Read in blocks, the same digest; also for bytes that start like a program but are none.
  for (const std::string& bytes : {big, "MZ" + big}) {
    WriteText(temp / "big.bin", bytes);
    builder::FileFacts facts;
    ASSERT_TRUE(builder::InspectFile(temp / "big.bin", &facts));
    EXPECT_NE(facts.versionStatus, platform::VersionStatus::kFound);
    EXPECT_EQ(facts.hash, builder::ComputeFileHashOfBytes(bytes));
  }
  builder::FileFacts facts;
  EXPECT_FALSE(builder::InspectFile(temp / "missing.bin", &facts));
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

// Every file of a cabinet as libgcab extracts it: name -> bytes.
std::map<std::string, std::string> ExtractWithGcab(const std::string& cabinet, const std::string& folder) {
  GError* error = nullptr;
  GFile* file = g_file_new_for_path(cabinet.c_str());
  GFileInputStream* in = g_file_read(file, nullptr, &error);
  GCabCabinet* reader = gcab_cabinet_new();
  GFile* target = g_file_new_for_path(folder.c_str());
  g_file_make_directory_with_parents(target, nullptr, nullptr);
  const bool ok = in && gcab_cabinet_load(reader, G_INPUT_STREAM(in), nullptr, &error) &&
                  gcab_cabinet_extract_simple(reader, target, nullptr, nullptr, nullptr, &error);
  const std::string message = error ? error->message : "";
  if (error) g_error_free(error);
  g_object_unref(target);
  g_object_unref(reader);
  if (in) g_object_unref(in);
  g_object_unref(file);
  EXPECT_TRUE(ok) << message;
  return test_support::FilesBelow(folder);
}

TEST(CabinetWriter, WritesMszipCabinetsThatOtherDecodersRead) {
  TempDir temp;
  std::mt19937 random(42);
  std::string noise(200000, '\0');
  for (char& c : noise) c = char(random());
  std::string text;  // compressible, over many blocks
  while (text.size() < 300000) text += "line " + std::to_string(random() % 1000) + " of the file\r\n";
  WriteText(temp / "src/noise.bin", noise);
  WriteText(temp / "src/empty.txt", "");
  WriteText(temp / "src/text.txt", text);
  std::vector<builder::CabinetFile> files = {
      {"zeta.bin", temp / "src/noise.bin", noise.size()},
      {"alpha.txt", temp / "src/empty.txt", 0},
      {"mid.txt", temp / "src/text.txt", text.size()},
  };
  const std::map<std::string, std::string> expected = {{"zeta.bin", noise}, {"alpha.txt", ""}, {"mid.txt", text}};
  builder::CabinetOptions options;
  options.fixedTime = 946684800;
  std::vector<builder::FileFacts> facts;
  builder::CabinetFailure failure;
  ASSERT_TRUE(builder::WriteCabinet(temp / "one.cab", files, options, &facts, &failure)) << failure.message;
  // What the package needs of each file comes from the same read.
  ASSERT_EQ(facts.size(), 3u);
  EXPECT_EQ(facts[0].hash, builder::ComputeFileHashOfBytes(noise));
  EXPECT_EQ(facts[1].hash, builder::ComputeFileHashOfBytes(""));
  EXPECT_EQ(facts[2].hash, builder::ComputeFileHashOfBytes(text));

  // Three decoders, each checking the blocks' checksums, give back the same files.
  std::string output;
  ASSERT_EQ(RunCommand("cabextract -t " + ShellQuote(temp / "one.cab"), &output), 0) << output;
  ASSERT_EQ(RunCommand("cabextract -q -d " + ShellQuote(temp / "out") + " " + ShellQuote(temp / "one.cab"), &output), 0);
  EXPECT_TRUE(test_support::FilesBelow(temp / "out") == expected);
  ASSERT_EQ(RunCommand("7zz t " + ShellQuote(temp / "one.cab"), &output), 0) << output;
  ASSERT_EQ(RunCommand("7zz x -o" + ShellQuote(temp / "out7") + " " + ShellQuote(temp / "one.cab"), &output), 0);
  EXPECT_TRUE(test_support::FilesBelow(temp / "out7") == expected);
  EXPECT_TRUE(ExtractWithGcab(temp / "one.cab", temp / "outgcab") == expected);

  // Files stay in the order given (the installer reads a cabinet in sequence order), and carry
  // the fixed date.
  ASSERT_EQ(RunCommand("cabextract -l " + ShellQuote(temp / "one.cab"), &output), 0);
  const size_t zeta = output.find("zeta.bin"), alpha = output.find("alpha.txt"), mid = output.find("mid.txt");
  ASSERT_NE(zeta, std::string::npos);
  EXPECT_LT(zeta, alpha);
  EXPECT_LT(alpha, mid);
  EXPECT_NE(output.find("01.01.2000 00:00:00"), std::string::npos) << output;
  EXPECT_LT(ReadText(temp / "one.cab").size(), noise.size() + text.size() / 4);  // the text compressed

  // With a fixed time the bytes depend on the files alone: not on when they were touched, nor on
  // how many threads compress.
  WriteText(temp / "src/empty.txt", "");
  for (unsigned threads : {2u, 5u}) {
    options.threads = threads;
    ASSERT_TRUE(builder::WriteCabinet(temp / "two.cab", files, options, &facts, &failure)) << failure.message;
    EXPECT_TRUE(ReadText(temp / "one.cab") == ReadText(temp / "two.cab")) << threads;
  }

  // A source that cannot be read, or whose size changed since it was listed, fails naming it.
  files.push_back({"gone.txt", temp / "src/gone.txt", 10});
  EXPECT_FALSE(builder::WriteCabinet(temp / "three.cab", files, options, &facts, &failure));
  EXPECT_EQ(failure.file, std::optional<size_t>(3));
  EXPECT_FALSE(fs::exists(temp / "three.cab"));
  files.pop_back();
  files[2].size += 1;
  EXPECT_FALSE(builder::WriteCabinet(temp / "three.cab", files, options, &facts, &failure));
  EXPECT_EQ(failure.file, std::optional<size_t>(2));
}

}  // namespace
