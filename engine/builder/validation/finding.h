// What the validator reports: one broken rule at one place of a package.
#pragma once

#include <string>
#include <vector>

namespace validation {

enum class Level { Error, Warning };

struct Finding {
  std::string rule;   // "ICE38"
  Level level = Level::Error;
  std::string table;  // where the finding lies; empty for the package as a whole
  std::string row;    // the row's primary key, key columns joined by ';'
  std::string text;   // a sentence naming what is wrong and where
};

using Findings = std::vector<Finding>;

inline const char* LevelName(Level level) { return level == Level::Error ? "error" : "warning"; }

}  // namespace validation
