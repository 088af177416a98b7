// The PE resource readers: version resources and icon counts, on PE files made by the cross
// compiler and on images built here byte by byte (PE32, malformed directories, truncation).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_version.h"
#include "platform/icon_count.h"
#include "platform/pe_resources.h"

namespace {

const std::string kFixtures = std::string(FERNCLIP_BUILD_DIR) + "/tests/fixtures/pe/";

void Put16(std::string& b, size_t at, uint16_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = char(v & 0xFF);
  b[at + 1] = char(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, uint16_t(v & 0xFFFF));
  Put16(b, at + 2, uint16_t(v >> 16));
}
void Align(std::string& b) { b.resize((b.size() + 3) & ~size_t(3), '\0'); }

// A version block: header, UTF-16 key, binary value, children.
std::string VersionBlock(const std::string& key, const std::string& value, const std::string& children) {
  std::string b(6, '\0');
  for (char c : key) b += std::string{c, '\0'};
  b += std::string(2, '\0');
  Align(b);
  b += value;
  Align(b);
  b += children;
  Put16(b, 0, uint16_t(b.size()));
  Put16(b, 2, uint16_t(value.size()));
  Put16(b, 4, 0);
  return b;
}

std::string FixedFileInfo(uint32_t ms, uint32_t ls) {
  std::string v(52, '\0');
  Put32(v, 0, 0xFEEF04BD);
  Put32(v, 4, 0x00010000);
  Put32(v, 8, ms);
  Put32(v, 12, ls);
  return v;
}

std::string VersionResource(uint32_t ms, uint32_t ls, uint16_t language, uint16_t codePage) {
  std::string translation;
  Put16(translation, 0, language);
  Put16(translation, 2, codePage);
  const std::string var = VersionBlock("Translation", translation, "");
  return VersionBlock("VS_VERSION_INFO", FixedFileInfo(ms, ls), VersionBlock("VarFileInfo", "", var));
}

struct Resource {
  uint32_t type, id, language;
  std::string data;
};

// A PE32 (or PE32+) image with one ".rsrc" section holding the resources, one directory per type,
// id and language, as a linker lays it out.
std::string BuildPe(const std::vector<Resource>& resources, bool pe32Plus = false) {
  constexpr uint32_t kSectionRva = 0x1000, kSectionFileOffset = 0x200;
  // Directory sizes first, so that every offset is known before writing.
  std::string rsrc;
  const size_t n = resources.size();
  // Layout: root (1 type per distinct type... keep it simple: resources are grouped by type in order).
  std::vector<uint32_t> types;
  for (const auto& r : resources)
    if (types.empty() || types.back() != r.type) types.push_back(r.type);
  size_t at = 16 + 8 * types.size();
  std::vector<size_t> typeDir(types.size()), nameDir(n), dataEntry(n), dataAt(n);
  for (size_t t = 0; t < types.size(); ++t) {
    typeDir[t] = at;
    size_t count = 0;
    for (const auto& r : resources) count += r.type == types[t];
    at += 16 + 8 * count;
  }
  for (size_t i = 0; i < n; ++i) nameDir[i] = at, at += 16 + 8;
  for (size_t i = 0; i < n; ++i) dataEntry[i] = at, at += 16;
  for (size_t i = 0; i < n; ++i) {
    dataAt[i] = at;
    at = (at + resources[i].data.size() + 7) & ~size_t(7);
  }
  rsrc.assign(at, '\0');
  Put16(rsrc, 14, uint16_t(types.size()));
  for (size_t t = 0; t < types.size(); ++t) {
    Put32(rsrc, 16 + 8 * t, types[t]);
    Put32(rsrc, 20 + 8 * t, uint32_t(typeDir[t]) | 0x80000000u);
    size_t k = 0;
    for (size_t i = 0; i < n; ++i) {
      if (resources[i].type != types[t]) continue;
      Put32(rsrc, typeDir[t] + 16 + 8 * k, resources[i].id);
      Put32(rsrc, typeDir[t] + 20 + 8 * k, uint32_t(nameDir[i]) | 0x80000000u);
      ++k;
    }
    Put16(rsrc, typeDir[t] + 14, uint16_t(k));
  }
  for (size_t i = 0; i < n; ++i) {
    Put16(rsrc, nameDir[i] + 14, 1);
    Put32(rsrc, nameDir[i] + 16, resources[i].language);
    Put32(rsrc, nameDir[i] + 20, uint32_t(dataEntry[i]));
    Put32(rsrc, dataEntry[i], uint32_t(kSectionRva + dataAt[i]));
    Put32(rsrc, dataEntry[i] + 4, uint32_t(resources[i].data.size()));
    std::memcpy(&rsrc[dataAt[i]], resources[i].data.data(), resources[i].data.size());
  }

  std::string image(kSectionFileOffset, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Put32(image, 0x3C, 0x40);
  std::memcpy(&image[0x40], "PE\0\0", 4);
  const size_t coff = 0x44, optional = coff + 20;
  const uint16_t optionalSize = pe32Plus ? 240 : 224;
  Put16(image, coff, pe32Plus ? 0x8664 : 0x14C);
  Put16(image, coff + 2, 1);
  Put16(image, coff + 16, optionalSize);
  Put16(image, optional, pe32Plus ? 0x20B : 0x10B);
  const size_t directories = optional + (pe32Plus ? 112 : 96);
  Put32(image, optional + (pe32Plus ? 108 : 92), 16);
  Put32(image, directories + 16, kSectionRva);
  Put32(image, directories + 20, uint32_t(rsrc.size()));
  const size_t section = optional + optionalSize;
  std::memcpy(&image[section], ".rsrc\0\0\0", 8);
  Put32(image, section + 8, uint32_t(rsrc.size()));
  Put32(image, section + 12, kSectionRva);
  Put32(image, section + 16, uint32_t(rsrc.size()));
  Put32(image, section + 20, kSectionFileOffset);
  return image + rsrc;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(FileVersion, ReadsVersionAndFirstTranslationOfCrossCompiledFiles) {
  platform::FileVersionInfo info;
  ASSERT_EQ(platform::ReadFileVersionInfo(kFixtures + "versioned.exe", &info), platform::VersionStatus::kFound);
  EXPECT_EQ(info.VersionText(), "1.2.3.4");  // the file version, not the product version 5.6.7.8
  ASSERT_TRUE(info.language);
  EXPECT_EQ(*info.language, 0x407);  // the first of two translations
  EXPECT_EQ(*info.codePage, 1200);

  ASSERT_EQ(platform::ReadFileVersionInfo(kFixtures + "neutral.exe", &info), platform::VersionStatus::kFound);
  EXPECT_EQ(info.VersionText(), "10.0.65535.1");
  ASSERT_TRUE(info.language);
  EXPECT_EQ(*info.language, 0);

  EXPECT_EQ(platform::ReadFileVersionInfo(kFixtures + "icon_only.exe", &info), platform::VersionStatus::kNoVersion);
  EXPECT_EQ(platform::ReadFileVersionInfo(std::string(FERNCLIP_TEST_DATA_DIR) + "/pe/two_images.ico", &info),
            platform::VersionStatus::kNoVersion);
  EXPECT_EQ(platform::ReadFileVersionInfo(kFixtures + "does-not-exist.exe", &info),
            platform::VersionStatus::kNotLoadable);
}

TEST(FileVersion, ReadsPe32AndPe32PlusImagesAlike) {
  for (bool plus : {false, true}) {
    const std::string image = BuildPe({{16, 1, 1033, VersionResource(0x00020003, 0x00040005, 0x409, 1252)}}, plus);
    platform::FileVersionInfo info;
    ASSERT_EQ(platform::ParseFileVersionInfo(image, &info), platform::VersionStatus::kFound) << plus;
    EXPECT_EQ(info.VersionText(), "2.3.4.5");
    EXPECT_EQ(info.language.value_or(0xFFFF), 0x409);
  }
  // A version resource without translation table still gives the version, and no language.
  const std::string noTranslation =
      BuildPe({{16, 1, 0, VersionBlock("VS_VERSION_INFO", FixedFileInfo(0x00010000, 0), "")}});
  platform::FileVersionInfo info;
  ASSERT_EQ(platform::ParseFileVersionInfo(noTranslation, &info), platform::VersionStatus::kFound);
  EXPECT_EQ(info.VersionText(), "1.0.0.0");
  EXPECT_FALSE(info.language);
}

TEST(FileVersion, MalformedVersionDataIsNotLoadable) {
  std::string badSignature = VersionResource(1, 1, 0x409, 1252);
  badSignature[40] ^= 0x55;  // inside the fixed file info's signature
  platform::FileVersionInfo info;
  EXPECT_EQ(platform::ParseFileVersionInfo(BuildPe({{16, 1, 0, badSignature}}), &info),
            platform::VersionStatus::kNotLoadable);

  std::string tooLong = VersionResource(1, 1, 0x409, 1252);
  Put16(tooLong, 0, uint16_t(tooLong.size() + 100));  // block claims more than the resource holds
  EXPECT_EQ(platform::ParseFileVersionInfo(BuildPe({{16, 1, 0, tooLong}}), &info),
            platform::VersionStatus::kNotLoadable);

  std::string childTooLong = VersionResource(1, 1, 0x409, 1252);
  Put16(childTooLong, 92, 0xFFFF);  // the VarFileInfo child's length: translation is then unreadable
  ASSERT_EQ(platform::ParseFileVersionInfo(BuildPe({{16, 1, 0, childTooLong}}), &info),
            platform::VersionStatus::kFound);
  EXPECT_FALSE(info.language);
}

TEST(PeResources, DamagedHeadersAndDirectoriesAreNotLoadable) {
  const std::string good = BuildPe({{16, 1, 0, VersionResource(1, 1, 0x409, 1252)}, {14, 3, 0, "group"}});
  ASSERT_TRUE(platform::ParsePeResources(good, 16));

  // A section whose raw data runs past the end of the file makes the file malformed, so every
  // truncation of the image is rejected.
  for (size_t length = 0; length < good.size(); ++length) {
    const std::string cut = good.substr(0, length);
    platform::FileVersionInfo info;
    EXPECT_NE(platform::ParseFileVersionInfo(cut, &info), platform::VersionStatus::kFound) << length;
  }

  std::string badOffset = good;
  Put32(badOffset, 0x3C, 0x7FFFFFF0);  // e_lfanew far beyond the file
  EXPECT_FALSE(platform::ParsePeResources(badOffset, 16));

  // A language directory pointing back at the root would loop; it is refused.
  std::string cycle = good;
  const size_t rsrc = 0x200;
  const uint32_t firstTypeDir = uint32_t(cycle[rsrc + 20] & 0xFF) | (uint32_t(cycle[rsrc + 21] & 0xFF) << 8);
  Put32(cycle, rsrc + firstTypeDir + 20, 0x80000000u);  // name entry -> root directory
  EXPECT_FALSE(platform::ParsePeResources(cycle, 16));

  // A data entry whose size runs past the section.
  std::string oversized = BuildPe({{16, 1, 0, "abcd"}});
  const size_t dataEntry = rsrc + 16 + 8 + 16 + 8 + 16 + 8;
  Put32(oversized, dataEntry + 4, 0x7FFFFFFF);
  EXPECT_FALSE(platform::ParsePeResources(oversized, 16));

  // A huge entry count that the section cannot hold.
  std::string manyEntries = good;
  Put16(manyEntries, rsrc + 14, 0xFFFF);
  EXPECT_FALSE(platform::ParsePeResources(manyEntries, 16));

  // Not a PE file at all: no version, not "malformed".
  platform::FileVersionInfo info;
  EXPECT_EQ(platform::ParseFileVersionInfo("plain text", &info), platform::VersionStatus::kNoVersion);
  EXPECT_EQ(platform::ParseFileVersionInfo("MZ but nothing else", &info), platform::VersionStatus::kNotLoadable);
}

TEST(IconCount, CountsIconGroupsOfPeFilesAndImagesOfIconFiles) {
  EXPECT_EQ(platform::CountIcons(kFixtures + "versioned.exe"), 2);
  EXPECT_EQ(platform::CountIcons(kFixtures + "icon_only.exe"), 1);
  EXPECT_EQ(platform::CountIcons(kFixtures + "neutral.exe"), 0);
  EXPECT_EQ(platform::CountIcons(std::string(FERNCLIP_TEST_DATA_DIR) + "/pe/two_images.ico"), 2);
  EXPECT_EQ(platform::CountIcons(kFixtures + "missing.ico"), std::nullopt);

  // One group in two languages counts once.
  EXPECT_EQ(platform::CountIconsInBytes(BuildPe({{14, 5, 1033, "g"}, {14, 5, 1031, "g"}, {14, 6, 0, "h"}})), 2);
  // An icon file whose directory claims more images than it holds is malformed.
  std::string ico = ReadBytes(std::string(FERNCLIP_TEST_DATA_DIR) + "/pe/two_images.ico");
  Put16(ico, 4, 500);
  EXPECT_EQ(platform::CountIconsInBytes(ico.substr(0, 6 + 16 * 10)), std::nullopt);
  EXPECT_EQ(platform::CountIconsInBytes("just some text"), 0);
}

}  // namespace
