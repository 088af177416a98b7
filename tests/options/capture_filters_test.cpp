// The capture filters' lists and queries: the wildcard patterns, the special patterns "*" and
// "*.*", and the precedence of include over exclude and of the project file over the settings
// file. A whole conversion with filters is checked end to end in tests/e2e.
#include <gtest/gtest.h>

#include "options/repackager_settings.h"
#include "options/wildcard_match.h"
#include "support/test_env.h"

using options::FilterKind;
using options::FilterList;
using options::RepackagerSettings;
using options::WildcardMatch;

TEST(CaptureFilters, WildcardPatterns) {
  EXPECT_TRUE(WildcardMatch("*.dll", "a.dll"));
  EXPECT_TRUE(WildcardMatch("*.dll", "A.DLL"));
  EXPECT_TRUE(WildcardMatch("a?c", "abc"));
  EXPECT_FALSE(WildcardMatch("ab", "abc"));
  EXPECT_FALSE(WildcardMatch("abc", "ab"));
  // The leftmost ".dll" is taken and the rest no longer fits.
  EXPECT_FALSE(WildcardMatch("*.dll", "a.dll.dll"));
  EXPECT_FALSE(WildcardMatch("*.dll", "a.dlldll"));
  EXPECT_TRUE(WildcardMatch("set**up*.e?e", "Setup32.exe"));
  // Text used up while the pattern still asks for more, or the other way round.
  EXPECT_FALSE(WildcardMatch("setup*.exe", "setup"));
  EXPECT_FALSE(WildcardMatch("a?", "a"));
  EXPECT_FALSE(WildcardMatch("a?", "abc"));
  EXPECT_TRUE(WildcardMatch("a*", "a"));
  EXPECT_FALSE(WildcardMatch("", "a"));
  EXPECT_FALSE(WildcardMatch("*", ""));
}

TEST(CaptureFilters, WholeKeysEveryNameAndPatternsUnderEveryKey) {
  FilterList list("Registry-Excludes");
  EXPECT_TRUE(list.IsEmpty());
  list.AddPattern("HKEY_LOCAL_MACHINE\\Software\\Noise", "*");
  list.AddPattern("HKEY_LOCAL_MACHINE\\Software\\Flat", "a.txt");
  list.AddPattern("HKEY_LOCAL_MACHINE\\Software\\Flat", "*.*");  // replaces a.txt
  list.AddPattern("HKEY_LOCAL_MACHINE\\Software\\Flat", "*.log");
  list.AddPattern("HKEY_LOCAL_MACHINE\\Software\\Flat", "*.LOG");  // already held
  list.AddPattern("", "*");
  list.AddPattern("HKEY_LOCAL_MACHINE\\Software\\Empty", "");

  std::string ancestor;
  EXPECT_TRUE(list.HasWholeKey("hkey_local_machine\\software\\noise"));
  EXPECT_TRUE(list.IsUnderWholeKey("HKEY_LOCAL_MACHINE\\Software\\Noise\\A\\B", &ancestor));
  EXPECT_EQ(ancestor, "HKEY_LOCAL_MACHINE\\Software\\Noise");
  EXPECT_FALSE(list.ContainsKey("HKEY_LOCAL_MACHINE\\Software\\NoiseMore"));
  std::string pattern;
  EXPECT_TRUE(list.MatchName("HKEY_LOCAL_MACHINE\\Software\\Flat", "*.*", &pattern));
  EXPECT_EQ(pattern, "*.*");
  EXPECT_FALSE(list.HoldsPattern("HKEY_LOCAL_MACHINE\\Software\\Flat", "a.txt"));  // removed by "*.*"
  EXPECT_TRUE(list.MatchName("HKEY_LOCAL_MACHINE\\Software\\Flat", "b.log", &pattern));
  EXPECT_EQ(pattern, "*.*");  // the first pattern that matches
  EXPECT_FALSE(list.MatchName("HKEY_LOCAL_MACHINE\\Software\\Empty", "x"));

  // Loaded from a settings file: "*" is the key and everything below it, "*.*" the key itself
  // only; a line without a pattern is ignored; a pattern under the key "*" applies under every key.
  testenv::RegistrySandbox registry;
  testenv::TempDir dir;
  testenv::WriteText(dir / "filters.ini",
                     "[Registry-Excludes]\r\n"
                     "HKEY_LOCAL_MACHINE\\Software\\Noise=*\r\n"
                     "HKEY_LOCAL_MACHINE\\Software\\Flat=*.*\r\n"
                     "HKEY_LOCAL_MACHINE\\Software\\Kept=\r\n"
                     "HKEY_LOCAL_MACHINE\\Software\\App=Secret*\r\n"
                     "HKEY_LOCAL_MACHINE\\Software\\App=Temp\r\n"
                     "*=MRU*\r\n");
  RepackagerSettings settings;
  ASSERT_TRUE(settings.Load(dir / "filters.ini"));
  EXPECT_TRUE(settings.IsRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Noise"));
  EXPECT_TRUE(settings.IsRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Noise\\Deep\\Key"));
  EXPECT_TRUE(settings.IsRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Flat"));
  EXPECT_FALSE(settings.IsRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Flat\\Sub"));
  EXPECT_FALSE(settings.IsRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Kept"));
  EXPECT_FALSE(settings.IsItemExcluded(FilterKind::kRegistry, "HKEY_LOCAL_MACHINE\\Software\\Kept", "x"));
  EXPECT_TRUE(settings.IsItemExcluded(FilterKind::kRegistry, "HKEY_LOCAL_MACHINE\\Software\\App", "secretKey"));
  EXPECT_TRUE(settings.IsItemExcluded(FilterKind::kRegistry, "HKEY_LOCAL_MACHINE\\Software\\App", "Temp"));
  EXPECT_FALSE(settings.IsItemExcluded(FilterKind::kRegistry, "HKEY_LOCAL_MACHINE\\Software\\App", "Temp2"));
  EXPECT_TRUE(settings.IsItemExcluded(FilterKind::kRegistry, "HKEY_CURRENT_USER\\Software\\Other", "MRU1"));
  EXPECT_TRUE(settings.IsItemExcluded(FilterKind::kRegistry, "HKEY_LOCAL_MACHINE\\Software\\Noise\\A", "Any"));
  // The registry lists are not the deleted-registry lists.
  EXPECT_FALSE(settings.IsDeletedRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Noise"));
}

TEST(CaptureFilters, ProjectFileBeforeSettingsFileIncludeBeforeExclude) {
  testenv::RegistrySandbox registry;
  testenv::TempDir dir;
  testenv::WriteText(dir / "filters.ini",
                     "[Registry-Excludes]\r\nHKEY_LOCAL_MACHINE\\Software\\Vendor=*\r\n"
                     "[Registry-Includes]\r\nHKEY_LOCAL_MACHINE\\Software\\Vendor\\Shared=*\r\n"
                     "[DeletedFile-Excludes]\r\n%WindowsFolder%\\Temp=setup.log\r\n%WindowsFolder%\\Temp=*.tmp\r\n"
                     "[DeletedFile-Includes]\r\n%WindowsFolder%\\Temp=*.log\r\n%WindowsFolder%\\Temp=keep.tmp\r\n");
  testenv::WriteText(dir / "app.wrp",
                     "[Registry-Includes]\r\nHKEY_LOCAL_MACHINE\\Software\\Vendor\\App=*\r\n"
                     "[Registry-Excludes]\r\nHKEY_LOCAL_MACHINE\\Software\\Vendor\\Shared\\Cache=*\r\n");
  RepackagerSettings settings;
  settings.ReadProjectFile(dir / "app.wrp");
  ASSERT_TRUE(settings.Load(dir / "filters.ini"));

  EXPECT_TRUE(settings.IsRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Vendor\\Other"));
  EXPECT_FALSE(settings.IsRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Vendor\\App\\Sub"));
  EXPECT_FALSE(settings.IsItemExcluded(FilterKind::kRegistry, "HKEY_LOCAL_MACHINE\\Software\\Vendor\\App", "Path"));
  EXPECT_FALSE(settings.IsRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Vendor\\Shared"));
  EXPECT_TRUE(settings.IsRegistryKeyExcluded("HKEY_LOCAL_MACHINE\\Software\\Vendor\\Shared\\Cache"));

  // Deleted files: an exact name in the exclude list beats a wildcard of the include list, an
  // exact name in the include list beats a wildcard of the exclude list; folders given in
  // either captured form.
  auto deletedFileExcluded = [&](const std::string& folder, const std::string& name) {
    return settings.IsItemExcluded(FilterKind::kDeletedFiles, folder, name);
  };
  EXPECT_TRUE(deletedFileExcluded("[WindowsFolder]Temp", "setup.log"));
  EXPECT_FALSE(deletedFileExcluded("%WindowsFolder%\\Temp\\", "other.log"));
  EXPECT_FALSE(deletedFileExcluded("[WindowsFolder]Temp\\", "KEEP.tmp"));
  EXPECT_TRUE(deletedFileExcluded("%WindowsFolder%\\Temp", "drop.tmp"));
  EXPECT_FALSE(deletedFileExcluded("%WindowsFolder%\\Temp", "drop.txt"));
}
