// The in-memory database: keys, re-keying, references, and the round trip through an
// MSI-format file.
#include <gtest/gtest.h>

#include <set>

#include "database.h"
#include "engine_support.h"
#include "idt.h"
#include "msi_file.h"

using namespace qv::engine;
using engine_test::Col;
using engine_test::ScratchDir;

namespace {

// A small schema: components in directories, files in components.
void AddSchema(Database& db) {
  ASSERT_TRUE(db.AddTable("Directory", {Col("Directory", "s72", true), Col("Directory_Parent", "S72"), Col("DefaultDir", "l255")}));
  ASSERT_TRUE(db.AddTable("Component", {Col("Component", "s72", true), Col("Directory_", "s72"), Col("KeyPath", "S72")}));
  ASSERT_TRUE(db.AddTable("File", {Col("File", "s72", true), Col("Component_", "s72"), Col("Size", "i4")}));
  ASSERT_TRUE(db.AddTable("FeatureComponents", {Col("Feature_", "s38", true), Col("Component_", "s72", true)}));
}

}  // namespace

TEST(InMemoryTable, KeysAreUniqueAndReKeyingKeepsTheIndexConsistent) {
  Table table("T", {Col("Key", "s72", true), Col("Value", "I4")});
  RowId a, b;
  ASSERT_EQ(table.Insert({std::string("a"), int32_t{1}}, &a), qv::kOk);
  ASSERT_EQ(table.Insert({std::string("b"), int32_t{2}}, &b), qv::kOk);
  EXPECT_EQ(table.Insert({std::string("a"), int32_t{3}}), qv::kDuplicateKey);
  EXPECT_EQ(table.RowCount(), 2u);

  // A key change to a taken key is refused and leaves the row as it was.
  EXPECT_EQ(table.SetCell(b, 0, std::string("a")), qv::kDuplicateKey);
  EXPECT_EQ(CellText((*table.Get(b))[0]), "b");
  // A free key is taken; the old one is free again.
  ASSERT_EQ(table.SetCell(b, 0, std::string("c")), qv::kOk);
  RowId found;
  EXPECT_FALSE(table.Find({std::string("b")}, &found));
  ASSERT_TRUE(table.Find({std::string("c")}, &found));
  EXPECT_EQ(found, b);
  ASSERT_EQ(table.Insert({std::string("b"), int32_t{4}}), qv::kOk);

  // Key order, and look-ups by value in insertion order.
  std::vector<std::string> order;
  for (const auto& [key, id] : table.KeyOrder()) order.emplace_back(CellText(key[0]));
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(table.RowsWhere(1, int32_t{2}), std::vector<RowId>{b});
  ASSERT_EQ(table.Erase(b), qv::kOk);
  EXPECT_TRUE(table.RowsWhere(1, int32_t{2}).empty());
  EXPECT_EQ(table.Erase(b), qv::kNotFound);
}

// Keys added one after another ("R9", "R10", ...) mostly belong right after the previous one; the
// order and the refusal of a repeated key hold also where they do not, and after that row changed.
TEST(InMemoryTable, KeysAddedInSequenceKeepTheirOrderAndStayUnique) {
  Table table("T", {Col("Key", "s72", true), Col("Value", "I4")});
  std::set<std::string> expected;
  RowId last = 0;
  for (int n = 1; n <= 250; ++n) {
    const std::string key = "R" + std::to_string(n);
    ASSERT_EQ(table.Insert({key, int32_t{n}}, &last), qv::kOk) << key;
    expected.insert(key);
    EXPECT_EQ(table.Insert({key, int32_t{0}}), qv::kDuplicateKey) << key;  // the row just added
    const std::string earlier = *std::next(expected.begin(), static_cast<std::ptrdiff_t>(expected.size() / 2));
    EXPECT_EQ(table.Insert({earlier, int32_t{0}}), qv::kDuplicateKey) << earlier;
    if (n % 50 == 0) {
      // The last row re-keyed or erased: the next key is placed by its own value.
      ASSERT_EQ(table.SetCell(last, 0, "Q" + key), qv::kOk);
      expected.erase(key);
      expected.insert("Q" + key);
    }
    if (n % 70 == 0) {
      ASSERT_EQ(table.Erase(last), qv::kOk);
      expected.erase(key);
    }
  }
  std::vector<std::string> order;
  for (const auto& [key, id] : table.KeyOrder()) order.emplace_back(CellText(key[0]));
  EXPECT_EQ(order, std::vector<std::string>(expected.begin(), expected.end()));
  for (const std::string& key : expected) EXPECT_TRUE(table.Find({key}, nullptr)) << key;
}

// Look-ups by value stay whole and in insertion order while rows of more values than the index
// remembers positions for are added between re-keyed, changed and erased rows.
TEST(InMemoryTable, LookUpsByValueFollowInsertsChangesAndErases) {
  Table table("T", {Col("Key", "i4", true), Col("Group", "s72")});
  auto group = [](int n) { return std::string("Group") + std::to_string(n % 7); };
  auto expect = [&table](const std::string& value) {
    std::vector<RowId> scanned;
    for (RowId id = 1; id <= 400; ++id)
      if (const Row* row = table.Get(id); row && CellText((*row)[1]) == value) scanned.push_back(id);
    return scanned;
  };
  for (int32_t n = 0; n < 100; ++n) ASSERT_EQ(table.Insert({n, group(n)}), qv::kOk);
  ASSERT_EQ(table.RowsWhere(1, group(3)).size(), 14u);  // the index is made here
  for (int32_t n = 100; n < 400; ++n) {
    RowId id;
    ASSERT_EQ(table.Insert({n, group(n % 3 == 0 ? 0 : n)}, &id), qv::kOk);
    if (n % 11 == 0 && table.Get(id - 5)) {
      ASSERT_EQ(table.SetCell(id - 5, 1, group(n + 1)), qv::kOk);
    }
    if (n % 13 == 0 && table.Get(id - 1)) {
      ASSERT_EQ(table.Erase(id - 1), qv::kOk);
    }
    if (n % 17 == 0 && table.Get(id - 2)) {
      ASSERT_EQ(table.Update(id - 2, {n + 1000, group(0)}), qv::kOk);
    }
  }
  for (int n = 0; n < 7; ++n) EXPECT_EQ(table.RowsWhere(1, group(n)), expect(group(n))) << group(n);
}

// Texts just below, at and above the length a cell holds inline, with NUL and high bytes (the
// data of binary cells), keep their bytes through copies and moves, and every kind sorts as
// keys must: null, numbers, then texts by unsigned bytes.
TEST(InMemoryTable, CellsKeepTheirBytesAndOrderOnBothSidesOfTheInlineLength) {
  const std::string withNul("a\0b\xFF", 4);
  std::vector<std::string> texts = {"", withNul};
  for (size_t length : {Cell::kInlineCapacity - 1, Cell::kInlineCapacity, Cell::kInlineCapacity + 1, size_t{100}}) {
    texts.push_back(std::string(length, 'a'));
    texts.push_back(std::string(length - 1, 'a') + '\0');
    texts.push_back(std::string(length - 1, 'a') + '\x80');
  }
  for (const std::string& text : texts) {
    Cell cell(text);
    EXPECT_TRUE(cell.IsText());
    EXPECT_EQ(cell.Text(), text);
    Cell copy = cell;
    Cell moved = std::move(cell);
    EXPECT_EQ(copy.Text(), text);
    EXPECT_EQ(moved.Text(), text);
    copy = copy;
    moved = Cell(std::string(100, 'z'));
    moved = copy;
    EXPECT_EQ(moved.Text(), text);
  }

  std::vector<Cell> cells = {Cell{}, INT32_MIN, -1, 0, 7, INT32_MAX};
  std::sort(texts.begin(), texts.end());
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
  cells.insert(cells.end(), texts.begin(), texts.end());
  for (size_t i = 0; i < cells.size(); ++i)
    for (size_t j = 0; j < cells.size(); ++j) {
      const int order = CompareCells(cells[i], cells[j]);
      EXPECT_EQ(order < 0, i < j) << i << " " << j;
      EXPECT_EQ(order == 0, i == j) << i << " " << j;
    }
}

TEST(InMemoryTable, CellsAreCheckedAgainstTheirColumn) {
  EXPECT_EQ(CheckCell(Col("A", "s4"), std::string("abcd")), qv::kOk);
  EXPECT_EQ(CheckCell(Col("A", "s4"), std::string("abcde")), qv::kBadValue);
  EXPECT_EQ(CheckCell(Col("A", "s4"), std::string("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9")), qv::kOk);  // 4 characters
  EXPECT_EQ(CheckCell(Col("A", "s4"), Cell{}), qv::kBadValue);
  EXPECT_EQ(CheckCell(Col("A", "S4"), Cell{}), qv::kOk);
  EXPECT_EQ(CheckCell(Col("A", "s0"), int32_t{1}), qv::kBadValue);
  EXPECT_EQ(CheckCell(Col("N", "i2"), int32_t{32767}), qv::kOk);
  EXPECT_EQ(CheckCell(Col("N", "i2"), int32_t{32768}), qv::kBadValue);
  EXPECT_EQ(CheckCell(Col("N", "i4"), int32_t{131072}), qv::kOk);
  EXPECT_EQ(CheckCell(Col("N", "i4"), std::string("1")), qv::kBadValue);
}

TEST(InMemoryDatabase, RenamingAKeyFollowsEveryReference) {
  Database db;
  AddSchema(db);
  Table& directories = *db.FindTable("Directory");
  Table& components = *db.FindTable("Component");
  Table& files = *db.FindTable("File");
  Table& links = *db.FindTable("FeatureComponents");
  RowId root, app, comp, file;
  directories.Insert({std::string("TARGETDIR"), Cell{}, std::string("SourceDir")}, &root);
  directories.Insert({std::string("App"), std::string("TARGETDIR"), std::string("App")}, &app);
  directories.Insert({std::string("Bin"), std::string("App"), std::string("Bin")});
  components.Insert({std::string("Main"), std::string("App"), std::string("main.exe")}, &comp);
  files.Insert({std::string("main.exe"), std::string("Main"), int32_t{10}}, &file);
  links.Insert({std::string("F1"), std::string("Main")});
  links.Insert({std::string("F1"), std::string("Other")});

  ASSERT_EQ(db.RenameKey(directories, app, "APPDIR"), qv::kOk);
  RowId bin;
  ASSERT_TRUE(directories.Find({std::string("Bin")}, &bin));
  EXPECT_EQ(CellText((*directories.Get(bin))[1]), "APPDIR");
  EXPECT_EQ(CellText((*components.Get(comp))[1]), "APPDIR");

  ASSERT_EQ(db.RenameKey(files, file, "app.exe"), qv::kOk);
  EXPECT_EQ(CellText((*components.Get(comp))[2]), "app.exe");  // the key path follows the file

  // Renaming Main to Other would make the FeatureComponents rows collide: refused, nothing moves.
  EXPECT_EQ(db.RenameKey(components, comp, "Other"), qv::kDuplicateKey);
  EXPECT_EQ(db.RenameKey(components, comp, "Main2"), qv::kOk);
  EXPECT_EQ(CellText((*files.Get(file))[1]), "Main2");
  EXPECT_TRUE(links.Find({std::string("F1"), std::string("Main2")}, nullptr));
  EXPECT_FALSE(links.Find({std::string("F1"), std::string("Main")}, nullptr));
  EXPECT_EQ(db.RenameKey(components, comp, "Main2"), qv::kOk);
}

TEST(InMemoryDatabase, SavesAndLoadsEveryKindOfColumn) {
  ScratchDir dir;
  Database db;
  ASSERT_TRUE(db.AddTable("Kinds", {Col("Key", "s72", true), Col("Short", "I2"), Col("Long", "i4"), Col("Text", "L0"),
                                    Col("Data", "v0")}));
  Table& table = *db.FindTable("Kinds");
  ASSERT_EQ(table.Insert({std::string("caf\xC3\xA9"), int32_t{-5}, int32_t{131072}, std::string("line"), std::string("\x00\x01\x02", 3)}), qv::kOk);
  ASSERT_EQ(table.Insert({std::string("empty"), Cell{}, int32_t{0}, Cell{}, Cell{}}), qv::kOk);
  db.Summary()[kSummaryAuthor] = std::string("Tester");
  std::string path = dir.File("kinds.msi");
  ASSERT_EQ(SaveDatabase(db, path, {}), qv::kOk);

  std::unique_ptr<Database> loaded;
  ASSERT_EQ(LoadDatabase(path, &loaded), qv::kOk);
  EXPECT_EQ(loaded->CodePage(), 1252);
  EXPECT_EQ(loaded->SummaryString(kSummaryAuthor), "Tester");
  Table* back = loaded->FindTable("Kinds");
  ASSERT_TRUE(back);
  EXPECT_EQ(IdtType(back->Columns()[1]), "I2");
  EXPECT_EQ(IdtType(back->Columns()[2]), "i4");
  EXPECT_EQ(IdtType(back->Columns()[3]), "L0");
  RowId id;
  ASSERT_TRUE(back->Find({std::string("caf\xC3\xA9")}, &id));
  const Row& row = *back->Get(id);
  EXPECT_EQ(row[1].Number(), -5);
  EXPECT_EQ(row[2].Number(), 131072);
  EXPECT_EQ(CellText(row[3]), "line");
  EXPECT_EQ(row[4].Text(), std::string_view("\x00\x01\x02", 3));
  ASSERT_TRUE(back->Find({std::string("empty")}, &id));
  EXPECT_TRUE(IsNull((*back->Get(id))[1]));
}

TEST(InMemoryDatabase, AFailedSaveLeavesTheExistingFileAsItWas) {
  ScratchDir dir;
  std::string path = dir.File("keep.msi");
  engine_test::WriteFile(path, "the previous project");
  Database db;
  ASSERT_TRUE(db.AddTable("T", {Col("Key", "s72", true)}));
  // U+4E2D is not in code page 1252: refused before anything is written.
  ASSERT_EQ(db.FindTable("T")->Insert({std::string("\xE4\xB8\xAD")}), qv::kOk);
  EXPECT_EQ(SaveDatabase(db, path, {}), qv::kBadValue);
  EXPECT_EQ(engine_test::ReadFile(path), "the previous project");
  // No temporary file stays behind.
  int status = 0;
  EXPECT_EQ(engine_test::RunCommand("ls -A '" + dir.Path() + "' | wc -l", &status), "1\n");
  // A folder that does not exist cannot take the file.
  EXPECT_TRUE(qv::Failed(SaveDatabase(db, dir.File("missing/x.msi"), {})));
}

TEST(IdtImport, ReportsTheFileAndLineOfABadRow) {
  ScratchDir dir;
  std::string path = dir.File("Bad.idt");
  engine_test::WriteFile(path, "A\tB\ns72\ti2\nBad\tA\n## comment\nx\t1\ny\tnot-a-number\n");
  Database db;
  std::string error;
  EXPECT_FALSE(ImportIdt(db, path, &error));
  EXPECT_NE(error.find("Bad.idt:6"), std::string::npos) << error;
  EXPECT_EQ(db.FindTable("Bad"), nullptr);
  engine_test::WriteFile(path, "A\tB\ns72\ti2\nBad\tA\nx\t1\nx\t2\n");
  EXPECT_FALSE(ImportIdt(db, path, &error));
  EXPECT_NE(error.find("duplicate"), std::string::npos) << error;
  EXPECT_EQ(db.FindTable("Bad"), nullptr);
}
