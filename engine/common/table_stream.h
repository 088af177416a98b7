// The tables of an MSI-format database as streams: "_Columns" (the columns of every table:
// table, number, name, type bits), "_Tables" (the table names), and one stream per table that
// has rows, column after column, each row's cells in a fixed width (string references of 2 or
// 3 bytes, 2-byte integers stored plus 0x8000, 4-byte integers plus 0x80000000, 0 for null),
// the rows sorted by their stored key values. The data of a binary column lies in a stream of
// its own, named after the table and the row's key ("Binary.Key1.Key2").
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database.h"
#include "string_pool.h"

namespace qv::engine {

// The columns of every table, in column order, from the stream of _Columns. The tables the
// format itself keeps (_Tables, _Columns, _Streams, ...) are left out. False when the stream is
// damaged: a reference to no string, a bad type, column numbers with gaps.
bool ParseColumnsTable(const std::string& stream, const StringPool& strings,
                       std::map<std::string, std::vector<ColumnDef>>* schema);

// Reads the data stream of a binary cell by its stream name; false when there is none.
using BinaryStreamReader = std::function<bool(const std::string& streamName, std::string* data)>;

// Adds the rows of a table's stream to table (a repeated key keeps the first row). False when
// the stream is damaged.
bool ParseTableRows(const std::string& stream, const StringPool& strings, const BinaryStreamReader& readBinary,
                    Table& table);

// The name of the stream that holds a binary cell of row: the table name and the row's key
// values, joined by dots.
std::string BinaryStreamName(const Table& table, const Row& row);

// One table with its cells as stored values, row after row in key order: texts by their
// numbers in the string pool, integers with their bias, 1 for a binary cell with data.
struct StoredTable {
  std::string name;
  std::vector<ColumnDef> columns;
  size_t keyColumns = 0;
  size_t rowCount = 0;
  std::vector<uint32_t> values;
};

// The data of a binary cell, which lies in a stream of its own.
struct BinaryCell {
  std::string streamName;
  std::string_view data;  // the cell's own bytes, in the database
};

struct EncodedTables {
  std::vector<StoredTable> tables;  // "_Tables", "_Columns", then every table with rows
  std::vector<BinaryCell> binaryCells;
};

// Every table of the database as stored values, its texts added to pool. kBadValue when a text
// cannot be stored in the code page or a value does not fit its column; kFail for a table named
// like one of the format's own.
HResult EncodeTables(const Database& database, StringPoolBuilder& pool, EncodedTables* out);

// The stream of a stored table once the pool holds every text (which decides the reference
// size), and its size in bytes.
std::string TableStream(const StoredTable& table, int referenceSize);
size_t TableStreamSize(const StoredTable& table, int referenceSize);

}  // namespace qv::engine
