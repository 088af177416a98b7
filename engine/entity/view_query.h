// The queries a view accepts: "SELECT * FROM <table>", optionally followed by
// " WHERE `Column` = 'text'" or " WHERE `Column` = 123", conditions joined by " AND ".
#pragma once

#include <string>
#include <vector>

#include "qv/com.h"

namespace qv::engine {

struct ViewCondition {
  std::string column;
  Variant value;  // Text or Integer
};

struct ViewQuery {
  std::string table;
  std::vector<ViewCondition> conditions;
};

// False when the text is not a query of that form.
bool ParseViewQuery(const std::string& text, ViewQuery* query);

}  // namespace qv::engine
