// The MSI-format reader and writer of the engine, checked against independent readers and
// writers: msitools (libmsi, with libgsf's compound files), 7-Zip and python's olefile for the
// container, msibuild and wixl for files that we did not write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "database.h"
#include "engine_support.h"
#include "msi_file.h"
#include "support/msi_dump.h"

using namespace qv::engine;
using engine_test::ReadFile;
using engine_test::RunCommand;
using engine_test::Col;
using engine_test::ScratchDir;
using engine_test::WriteFile;

namespace {

Cell S(const std::string& text) { return Cell{text}; }
Cell N(int32_t number) { return Cell{number}; }

// Every row of a table in key order, for comparing two databases cell by cell.
std::vector<Row> RowsOf(const Table& table) {
  std::vector<Row> rows;
  for (const auto& [key, id] : table.KeyOrder()) rows.push_back(*table.Get(id));
  return rows;
}

void ExpectSameDatabase(const Database& expected, const Database& actual) {
  ASSERT_EQ(expected.Tables().size(), actual.Tables().size());
  for (const Table* table : expected.Tables()) {
    SCOPED_TRACE(table->Name());
    const Table* other = actual.FindTable(table->Name());
    ASSERT_TRUE(other);
    ASSERT_EQ(table->Columns().size(), other->Columns().size());
    for (size_t c = 0; c < table->Columns().size(); ++c) {
      EXPECT_EQ(table->Columns()[c].name, other->Columns()[c].name);
      EXPECT_EQ(ColumnTypeBits(table->Columns()[c]), ColumnTypeBits(other->Columns()[c])) << table->Columns()[c].name;
    }
    EXPECT_TRUE(RowsOf(*table) == RowsOf(*other));
  }
}

// The bytes of one stream as 7-Zip extracts it (table streams are named "!<table>").
std::string ExtractStream(const ScratchDir& dir, const std::string& database, const std::string& stream) {
  std::string folder = dir.File("extracted");
  RunCommand("rm -rf '" + folder + "' && 7zz x -tCompound -y -o'" + folder + "' '" + database + "' >/dev/null 2>&1");
  return ReadFile(folder + "/" + stream);
}

// The rows of a table as msiinfo exports them, sorted, one to a line. It writes the data of
// binary columns into a folder named after the table, below the current folder: it runs in the
// database's folder.
std::string Dump(const std::string& database, const std::string& table) {
  std::string folder = std::filesystem::path(database).parent_path().string();
  std::vector<std::string> rows =
      test_support::SplitLines(RunCommand("cd '" + folder + "' && msiinfo export '" + database + "' '" + table + "'"));
  rows.erase(rows.begin(), rows.begin() + std::min<size_t>(3, rows.size()));
  std::sort(rows.begin(), rows.end());
  std::string text;
  for (const std::string& row : rows) text += row + "\n";
  return text;
}

std::unique_ptr<Database> Load(const std::string& path) {
  std::unique_ptr<Database> db;
  EXPECT_EQ(LoadDatabase(path, &db), qv::kOk) << path;
  return db;
}

// A database with every kind of column, keys of text and numbers, binary data of both sizes
// (in the mini stream and in sectors of its own) and an empty table.
void FillKinds(Database& db) {
  Table* kinds = db.AddTable("Kinds", {Col("Key", "s72", true), Col("Short", "I2"), Col("Long", "I4"), Col("Text", "L0"),
                                       Col("Name", "S64"), Col("Data", "V0")});
  ASSERT_TRUE(kinds);
  ASSERT_EQ(kinds->Insert({S("caf\xC3\xA9"), N(-5), N(131072), S("na\xC3\xAFve \xE2\x82\xAC"), S("x"), S(std::string("\0\1\2", 3))}), qv::kOk);
  ASSERT_EQ(kinds->Insert({S("empty"), Cell{}, Cell{}, Cell{}, Cell{}, Cell{}}), qv::kOk);
  ASSERT_EQ(kinds->Insert({S("big"), N(32767), N(-2147483647), S(std::string(300, 'L')), S("y"), S(std::string(10000, '\x7F'))}), qv::kOk);
  ASSERT_EQ(kinds->Insert({S("neg"), N(-32767), N(2147483647), S("two words"), S("x"), Cell{}}), qv::kOk);
  Table* pairs = db.AddTable("Pairs", {Col("Number", "i2", true), Col("Word", "s32", true), Col("Flag", "i4")});
  ASSERT_TRUE(pairs);
  // Inserted out of key order, with keys whose strings are numbered in another order.
  for (int i = 40; i > 0; --i)
    ASSERT_EQ(pairs->Insert({N(i % 7 - 3), S("w" + std::to_string(i * 37 % 101)), N(i * 1000)}), qv::kOk);
  ASSERT_TRUE(db.AddTable("Empty", {Col("Id", "s72", true), Col("Value", "S0")}));
  // Line ends and tabs are text like any other.
  Table* lines = db.AddTable("Lines", {Col("Id", "s72", true), Col("Value", "S0")});
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->Insert({S("l"), S("line1\r\nline2\ttab")}), qv::kOk);
  db.Summary()[kSummaryTitle] = std::string("Kinds");
  db.Summary()[kSummaryPageCount] = int32_t{200};
}

}  // namespace

TEST(MsiFormat, EveryColumnKindRoundTripsAndMsitoolsReadsTheSameRows) {
  ScratchDir dir;
  Database db;
  FillKinds(db);
  std::string path = dir.File("kinds.msi");
  ASSERT_EQ(SaveDatabase(db, path, {}), qv::kOk);
  EXPECT_TRUE(IsMsiDatabase(path));

  auto loaded = Load(path);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->CodePage(), 1252);
  ExpectSameDatabase(db, *loaded);
  EXPECT_EQ(loaded->SummaryString(kSummaryTitle), "Kinds");
  EXPECT_EQ(std::get<int32_t>(loaded->Summary()[kSummaryPageCount]), 200);

  // A number in a text column is stored as its own text.
  Database numberTexts;
  Table* numbered = numberTexts.AddTable("Numbers", {Col("Key", "s72", true), Col("Value", "S0")});
  ASSERT_TRUE(numbered);
  for (int32_t i = 1; i <= 3; ++i) ASSERT_EQ(numbered->Insert({N(i * 111111), N(-i)}), qv::kOk);
  ASSERT_EQ(SaveDatabase(numberTexts, dir.File("numbers.msi"), {}), qv::kOk);
  EXPECT_EQ(Dump(dir.File("numbers.msi"), "Numbers"), "111111\t-1\n222222\t-2\n333333\t-3\n");

  // libmsi reads the same tables, rows and texts.
  std::string tables = RunCommand("msiinfo tables '" + path + "'");
  for (const char* name : {"Kinds", "Pairs", "Empty", "Lines"}) EXPECT_NE(tables.find(name), std::string::npos) << tables;
  EXPECT_EQ(Dump(path, "Kinds"),
            "big\t32767\t-2147483647\t" + std::string(300, 'L') + "\ty\tKinds.big\n"
            "caf\xC3\xA9\t-5\t131072\tna\xC3\xAFve \xE2\x82\xAC\tx\tKinds.caf\xC3\xA9\n"
            "empty\t\t\t\t\t\n"
            "neg\t-32767\t2147483647\ttwo words\tx\t\n");
  std::vector<std::string> pairs;
  for (const auto& [key, id] : db.FindTable("Pairs")->KeyOrder()) {
    const Row& row = *db.FindTable("Pairs")->Get(id);
    pairs.push_back(std::to_string(*row[0].Number()) + "\t" + std::string(CellText(row[1])) + "\t" + std::to_string(*row[2].Number()));
  }
  std::sort(pairs.begin(), pairs.end());
  std::string expectedPairs;
  for (const auto& line : pairs) expectedPairs += line + "\n";
  EXPECT_EQ(Dump(path, "Pairs"), expectedPairs);
  EXPECT_EQ(Dump(path, "Empty"), "");

  // The Pairs stream column by column: 2-byte numbers stored plus 0x8000, string references,
  // 4-byte numbers plus 0x80000000; the rows in the order of their stored keys, as the Windows
  // Installer looks them up.
  std::string stream = ExtractStream(dir, path, "!Pairs");
  ASSERT_EQ(stream.size(), 40u * 8);
  auto stored = [&](size_t at, size_t width) {
    uint32_t v = 0;
    for (size_t i = 0; i < width; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(stream[at + i])) << (8 * i);
    return v;
  };
  std::set<int32_t> numbers;
  for (size_t r = 0; r < 40; ++r) {
    uint32_t number = stored(2 * r, 2), word = stored(80 + 2 * r, 2);
    numbers.insert(static_cast<int32_t>(number) - 0x8000);
    uint32_t flag = stored(160 + 4 * r, 4) ^ 0x80000000u;  // 1000 to 40000
    EXPECT_TRUE(flag % 1000 == 0 && flag >= 1000 && flag <= 40000) << flag;
    if (r > 0) {
      uint32_t previousNumber = stored(2 * (r - 1), 2), previousWord = stored(80 + 2 * (r - 1), 2);
      EXPECT_TRUE(previousNumber < number || (previousNumber == number && previousWord < word)) << r;
    }
  }
  EXPECT_EQ(numbers, (std::set<int32_t>{-3, -2, -1, 0, 1, 2, 3}));
  // The binary data, in its own stream, as 7-Zip extracts it.
  EXPECT_EQ(ExtractStream(dir, path, "Kinds.big"), std::string(10000, '\x7F'));
  EXPECT_EQ(ExtractStream(dir, path, "Kinds.caf\xC3\xA9"), std::string("\0\1\2", 3));
}

TEST(MsiFormat, ReadsDatabasesThatLibmsiAndWixlWrote) {
  ScratchDir dir;
  // msibuild (libmsi) from table sources in UTF-8, stored in code page 1252.
  std::filesystem::create_directories(dir.File("Binary"));
  WriteFile(dir.File("Binary/logo.ibd"), std::string("hello\0\1", 7));
  WriteFile(dir.File("Binary.idt"), "Name\tData\r\ns72\tv0\r\nBinary\tName\r\nlogo\tlogo.ibd\r\n");
  WriteFile(dir.File("Kinds.idt"),
            "Key\tShort\tLong\tText\r\ns72\tI2\tI4\tL0\r\nKinds\tKey\r\n"
            "caf\xC3\xA9\t-5\t131072\tna\xC3\xAFve\r\nempty\t\t\t\r\n");
  WriteFile(dir.File("Empty.idt"), "Id\r\ns72\r\nEmpty\tId\r\n");
  WriteFile(dir.File("_ForceCodepage.idt"), "\r\n\r\n1252\t_ForceCodepage\r\n");
  std::string path = dir.File("libmsi.msi");
  int status = 0;
  RunCommand("cd '" + dir.Path() + "' && msibuild libmsi.msi -i _ForceCodepage.idt -i Kinds.idt -i Binary.idt -i Empty.idt"
             " -s 'Title' 'Author \xC3\xA9'", &status);
  ASSERT_EQ(status, 0);

  auto db = Load(path);
  ASSERT_TRUE(db);
  EXPECT_EQ(db->CodePage(), 1252);
  EXPECT_EQ(db->SummaryString(kSummaryAuthor), "Author \xC3\xA9");  // libmsi writes UTF-8 there
  Table* kinds = db->FindTable("Kinds");
  ASSERT_TRUE(kinds);
  EXPECT_EQ(IdtType(kinds->Columns()[1]), "I2");
  EXPECT_EQ(IdtType(kinds->Columns()[3]), "L0");
  RowId id;
  ASSERT_TRUE(kinds->Find({S("caf\xC3\xA9")}, &id));
  EXPECT_TRUE((*kinds->Get(id)) == (Row{S("caf\xC3\xA9"), N(-5), N(131072), S("na\xC3\xAFve")}));
  ASSERT_TRUE(kinds->Find({S("empty")}, &id));
  EXPECT_TRUE((*kinds->Get(id)) == (Row{S("empty"), Cell{}, Cell{}, Cell{}}));
  Table* binary = db->FindTable("Binary");
  ASSERT_TRUE(binary && binary->Find({S("logo")}, &id));
  EXPECT_EQ(CellText((*binary->Get(id))[1]), std::string("hello\0\1", 7));
  ASSERT_TRUE(db->FindTable("Empty"));
  EXPECT_EQ(db->FindTable("Empty")->RowCount(), 0u);

  // What we write back, libmsi reads as it wrote it.
  std::string copy = dir.File("copy.msi");
  ASSERT_EQ(SaveDatabase(*db, copy, {}), qv::kOk);
  EXPECT_EQ(Dump(copy, "Kinds"), Dump(path, "Kinds"));
  EXPECT_EQ(Dump(copy, "Binary"), Dump(path, "Binary"));

  // A package that wixl built.
  ASSERT_FALSE(test_support::BuildWixlPackage(dir.Path()).empty());
  auto wixl = Load(dir.File("wixl.msi"));
  ASSERT_TRUE(wixl);
  Table* files = wixl->FindTable("File");
  ASSERT_TRUE(files && files->Find({S("hello.txt")}, &id));
  EXPECT_EQ(CellText((*files->Get(id))[1]), "Main");
  EXPECT_EQ((*files->Get(id))[3].Number(), 6);  // FileSize
  Table* properties = wixl->FindTable("Property");
  ASSERT_TRUE(properties && properties->Find({S("ProductName")}, &id));
  EXPECT_EQ(CellText((*properties->Get(id))[1]), "Hello");
  EXPECT_EQ(wixl->SummaryString(kSummaryAuthor), "Fern");
}

TEST(MsiFormat, MoreThan65535StringsAndStringsOver64KBytes) {
  ScratchDir dir;
  Database db;
  Table* big = db.AddTable("Big", {Col("Key", "s72", true), Col("Value", "L0")});
  ASSERT_TRUE(big);
  const int rows = 40000;  // 80,000 strings: references of 3 bytes
  for (int i = 0; i < rows; ++i) ASSERT_EQ(big->Insert({S("key" + std::to_string(i)), S("value" + std::to_string(i))}), qv::kOk);
  std::string huge(70000, 'h');
  huge += "\xC3\xA9nd";  // the length counts bytes in the code page: 70,003
  ASSERT_EQ(big->Insert({S("huge"), S(huge)}), qv::kOk);
  // Around the lengths where a string takes two pool entries, one of them used twice.
  const std::map<std::string, std::string> longValues = {{"long1", std::string(65535, 'a')},
                                                         {"long2", std::string(65536, 'b')},
                                                         {"long3", std::string(131072, 'c')},
                                                         {"long3again", std::string(131072, 'c')},
                                                         {"long4", std::string(1048576, 'd')}};
  for (const auto& [key, value] : longValues) ASSERT_EQ(big->Insert({S(key), S(value)}), qv::kOk);
  std::string path = dir.File("big.msi");
  ASSERT_EQ(SaveDatabase(db, path, {}), qv::kOk);

  // The flag of long references in the pool's header, beside the code page.
  std::string pool = ExtractStream(dir, path, "!_StringPool");
  ASSERT_GE(pool.size(), 4u);
  EXPECT_EQ(static_cast<uint8_t>(pool[3]) & 0x80, 0x80);
  auto word = [&pool](size_t at) { return static_cast<uint8_t>(pool[at]) | (static_cast<uint8_t>(pool[at + 1]) << 8); };
  EXPECT_EQ(word(0), 1252);
  // A string of 64 KB or more is the entry (0, references) followed by (length low, length high).
  std::map<uint32_t, uint32_t> referencesByLength;
  for (size_t at = 4; at + 4 <= pool.size(); at += 4) {
    uint32_t length = word(at), references = word(at + 2);
    if (length == 0 && references != 0 && at + 8 <= pool.size()) {
      at += 4;
      length = word(at) | (static_cast<uint32_t>(word(at + 2)) << 16);
    }
    if (length >= 65535) referencesByLength[length] = references;
  }
  EXPECT_EQ(referencesByLength, (std::map<uint32_t, uint32_t>{{65535, 1}, {65536, 1}, {70003, 1}, {131072, 2}, {1048576, 1}}));

  auto loaded = Load(path);
  ASSERT_TRUE(loaded);
  ExpectSameDatabase(db, *loaded);

  // libmsi reads them, and writes them again its own way (it rewrites the whole file when it
  // adds a row); we read that back.
  std::vector<std::string> dumped = test_support::SplitLines(Dump(path, "Big"));
  ASSERT_EQ(dumped.size(), rows + 1 + longValues.size());
  EXPECT_EQ(dumped.front(), "huge\t" + huge);
  EXPECT_EQ(dumped[rows], "key9999\tvalue9999");
  for (size_t i = 0; i < longValues.size(); ++i) {
    const auto& [key, value] = *std::next(longValues.begin(), static_cast<long>(i));
    EXPECT_TRUE(dumped[rows + 1 + i] == key + "\t" + value) << key << ": " << dumped[rows + 1 + i].size();
  }
  std::string copy = dir.File("libmsi.msi");
  engine_test::CopyFile(path, copy);
  int status = 0;
  RunCommand("msibuild '" + copy + "' -q \"INSERT INTO \\`Big\\` (\\`Key\\`) VALUES ('zz')\"", &status);
  ASSERT_EQ(status, 0);
  auto rewritten = Load(copy);
  ASSERT_TRUE(rewritten);
  Table* back = rewritten->FindTable("Big");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->RowCount(), rows + 2 + longValues.size());
  RowId id;
  ASSERT_TRUE(back->Find({S("huge")}, &id));
  EXPECT_EQ(CellText((*back->Get(id))[1]), huge);
  ASSERT_TRUE(back->Find({S("key39999")}, &id));
  EXPECT_EQ(CellText((*back->Get(id))[1]), "value39999");
  // libmsi (msitools 0.101) writes a long string's length high word where the installer reads
  // the reference count: the two agree only while both are 1, as for the huge value above.
  // Wine's installer reads the long strings that we write (the install tests).
}

TEST(MsiFormat, TextIsStoredInTheDatabaseCodePage) {
  ScratchDir dir;
  struct Case {
    int codePage;
    std::string text;     // UTF-8
    std::string encoded;  // in the code page
  };
  const Case cases[] = {
      {1252, "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC", "Gr\xFC\xDF" "e \x80"},
      {1251, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {932, "\xE6\x97\xA5\xE6\x9C\xAC", "\x93\xFA\x96\x7B"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    Database db;
    db.SetCodePage(c.codePage);
    ASSERT_TRUE(db.AddTable("Text", {Col("Key", "s72", true), Col("Value", "L0")}));
    ASSERT_EQ(db.FindTable("Text")->Insert({S("k"), S(c.text)}), qv::kOk);
    std::string path = dir.File("cp" + std::to_string(c.codePage) + ".msi");
    ASSERT_EQ(SaveDatabase(db, path, {}), qv::kOk);
    EXPECT_NE(ExtractStream(dir, path, "!_StringData").find(c.encoded), std::string::npos);
    EXPECT_EQ(Dump(path, "Text"), "k\t" + c.text + "\n");  // libmsi decodes it with the code page
    auto loaded = Load(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->CodePage(), c.codePage);
    ExpectSameDatabase(db, *loaded);
  }

  // Text that the code page cannot hold is refused, in a table or in the summary, and no file
  // is written.
  Database refused;
  ASSERT_TRUE(refused.AddTable("Text", {Col("Key", "s72", true), Col("Value", "L0")}));
  ASSERT_EQ(refused.FindTable("Text")->Insert({S("k"), S("\xE4\xB8\xAD")}), qv::kOk);
  EXPECT_EQ(SaveDatabase(refused, dir.File("refused.msi"), {}), qv::kBadValue);
  refused.FindTable("Text")->Erase(refused.FindTable("Text")->KeyOrder().begin()->second);
  refused.Summary()[kSummaryAuthor] = std::string("\xE4\xB8\xAD");
  EXPECT_EQ(SaveDatabase(refused, dir.File("refused.msi"), {}), qv::kBadValue);
  EXPECT_FALSE(std::filesystem::exists(dir.File("refused.msi")));

  // Summary texts are written in the code page the summary names, which is added when a text
  // needs it; olefile reads the bytes and the code page.
  refused.Summary()[kSummaryAuthor] = std::string("M\xC3\xBCller");
  std::string path = dir.File("summary.msi");
  ASSERT_EQ(SaveDatabase(refused, path, {}), qv::kOk);
  EXPECT_EQ(RunCommand("/usr/bin/python3 -c \"import olefile; m = olefile.OleFileIO('" + path +
                       "').get_metadata(); print(m.codepage, m.author)\""),
            "1252 b'M\\xfcller'\n");
  auto loaded = Load(path);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->SummaryString(kSummaryAuthor), "M\xC3\xBCller");
}

TEST(MsiFormat, SavingIsDeterministicWhateverTheOrderRowsCameIn) {
  ScratchDir dir;
  Database forward, backward;
  for (Database* db : {&forward, &backward}) {
    ASSERT_TRUE(db->AddTable("Registry", {Col("Registry", "s72", true), Col("Key", "l255"), Col("Value", "L0")}));
    db->Summary()[kSummaryAuthor] = std::string("Fern");
  }
  for (int i = 0; i < 500; ++i)
    forward.FindTable("Registry")->Insert({S("R" + std::to_string(i)), S("Key" + std::to_string(i % 9)), S("v" + std::to_string(i))});
  for (int i = 499; i >= 0; --i)
    backward.FindTable("Registry")->Insert({S("R" + std::to_string(i)), S("Key" + std::to_string(i % 9)), S("v" + std::to_string(i))});
  SaveOptions fixed;
  fixed.fixedTimestamps = true;
  ASSERT_EQ(SaveDatabase(forward, dir.File("a.msi"), fixed), qv::kOk);
  ASSERT_EQ(SaveDatabase(forward, dir.File("b.msi"), fixed), qv::kOk);
  ASSERT_EQ(SaveDatabase(backward, dir.File("c.msi"), fixed), qv::kOk);
  std::string first = ReadFile(dir.File("a.msi"));
  EXPECT_EQ(first, ReadFile(dir.File("b.msi")));
  EXPECT_EQ(first, ReadFile(dir.File("c.msi")));
  auto loaded = Load(dir.File("a.msi"));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(std::get<FileTime>(loaded->Summary()[kSummaryLastSaved]).value, kFixedFileTime);
}

TEST(MsiFormat, TheContainerIsAValidCompoundFileWithStreamsOfEverySize) {
  ScratchDir dir;
  Database db;
  Table* binary = db.AddTable("Binary", {Col("Name", "s72", true), Col("Data", "v0")});
  ASSERT_TRUE(binary);
  // Enough streams for a deep directory tree, and one large enough (8 MB) that the allocation
  // table needs more sectors than the header can name.
  for (int i = 0; i < 150; ++i)
    ASSERT_EQ(binary->Insert({S("small" + std::to_string(i)), S(std::string(static_cast<size_t>(i * 37 + 1), static_cast<char>('a' + i % 26)))}), qv::kOk);
  std::string large(8 << 20, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>((i * 2654435761u) >> 13);
  ASSERT_EQ(binary->Insert({S("large"), S(large)}), qv::kOk);
  // Two cabinets written into the file before the database, as a build writes them: one of
  // regular sectors, and one short enough to move into the mini stream.
  std::string path = dir.File("streams.msi");
  WriteFile(path, std::string(512, '\0') + std::string(5000, 'c') + std::string(120, '\0') + std::string(300, 'd'));
  SaveOptions options;
  options.placedStreams = {{"data1.cab", 512, 5000}, {"data2.cab", 5632, 300}};
  ASSERT_EQ(SaveDatabase(db, path, options), qv::kOk);

  // olefile walks the directory: the streams below the root form a binary search tree in the
  // container's name order (shorter names first, then by upper-case letters) that is a valid
  // red-black tree (no red entry with a red child, as many black entries on every path).
  std::string script =
      "import olefile, sys\n"
      "ole = olefile.OleFileIO(sys.argv[1])\n"
      "d = ole.direntries\n"
      "key = lambda e: (len(e.name), e.name.upper())\n"
      "def walk(sid, lo, hi):\n"
      "    if sid == olefile.NOSTREAM: return 1\n"
      "    e = d[sid]\n"
      "    assert (lo is None or key(lo) < key(e)) and (hi is None or key(e) < key(hi)), e.name\n"
      "    for c in (e.sid_left, e.sid_right):\n"
      "        if c != olefile.NOSTREAM: assert not (e.color == 0 and d[c].color == 0), 'red under red'\n"
      "    l = walk(e.sid_left, lo, e); r = walk(e.sid_right, e, hi)\n"
      "    assert l == r, 'black heights differ'\n"
      "    return l + (1 if e.color == 1 else 0)\n"
      "walk(d[0].sid_child, None, None)\n"
      "print(len(ole.listdir()))\n";
  WriteFile(dir.File("tree.py"), script);
  // 151 binary streams, the cabinets, the pool, the tables _Tables, _Columns and Binary, and the
  // summary.
  EXPECT_EQ(RunCommand("/usr/bin/python3 '" + dir.File("tree.py") + "' '" + path + "' 2>&1"), "159\n");

  EXPECT_EQ(ExtractStream(dir, path, "Binary.large"), large);
  EXPECT_EQ(ExtractStream(dir, path, "Binary.small149"), std::string(149 * 37 + 1, static_cast<char>('a' + 149 % 26)));
  EXPECT_EQ(ExtractStream(dir, path, "data1.cab"), std::string(5000, 'c'));
  EXPECT_EQ(ExtractStream(dir, path, "data2.cab"), std::string(300, 'd'));
  auto loaded = Load(path);
  ASSERT_TRUE(loaded);
  ExpectSameDatabase(db, *loaded);

  // Placed streams that the file does not hold where they must lie (here after a gap) fail the
  // save before anything is written.
  const std::string placed = std::string(512, '\0') + std::string(5000, 'c');
  WriteFile(path, placed);
  options.placedStreams = {{"data1.cab", 1024, 4488}};
  EXPECT_TRUE(qv::Failed(SaveDatabase(db, path, options)));
  EXPECT_EQ(ReadFile(path), placed);
  // A key too long for a stream name (31 characters after packing) cannot be stored.
  ASSERT_EQ(binary->Insert({S(std::string(60, 'k')), S("x")}), qv::kOk);
  EXPECT_EQ(SaveDatabase(db, dir.File("long.msi"), {}), qv::kBadValue);
}

TEST(MsiFormat, DamagedFilesAreRefusedWithoutHarm) {
  ScratchDir dir;
  Database db;
  FillKinds(db);
  std::string path = dir.File("good.msi");
  ASSERT_EQ(SaveDatabase(db, path, {}), qv::kOk);
  const std::string good = ReadFile(path);

  std::unique_ptr<Database> loaded;
  EXPECT_EQ(LoadDatabase(dir.File("missing.msi"), &loaded), qv::kFileNotFound);
  WriteFile(dir.File("text.msi"), "not a database");
  EXPECT_EQ(LoadDatabase(dir.File("text.msi"), &loaded), qv::kBadFormat);
  EXPECT_FALSE(IsMsiDatabase(dir.File("text.msi")));
  EXPECT_EQ(LoadDatabase(dir.Path(), &loaded), qv::kBadFormat);  // a folder

  // Cut short anywhere: refused (a cut in the padding of the last sector may still read).
  std::string damaged = dir.File("damaged.msi");
  for (size_t size : {size_t{8}, size_t{512}, good.size() / 2, good.size() - 600}) {
    WriteFile(damaged, good.substr(0, size));
    EXPECT_EQ(LoadDatabase(damaged, &loaded), qv::kBadFormat) << size;
  }
  // Every fourth byte of the header, allocation tables and directory, and bytes all over the
  // streams, overwritten: each load either reads some database or refuses the file; nothing
  // reads out of bounds or loops (the sanitizer builds of the fuzz target check the rest).
  int refused = 0, read = 0;
  for (size_t at = 0; at < good.size(); at += at < 512 ? 4 : 61) {
    for (char value : {'\xFF', '\x00', '\x7F'}) {
      std::string bytes = good;
      bytes[at] = value;
      WriteFile(damaged, bytes);
      loaded.reset();
      qv::HResult hr = LoadDatabase(damaged, &loaded);
      ASSERT_TRUE(hr == qv::kOk || hr == qv::kBadFormat) << at;
      (hr == qv::kOk ? read : refused)++;
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(read, 0);
}
