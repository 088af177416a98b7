// Key patterns of the registry mappers: a key path in which an empty component (two
// backslashes in a row, or a trailing backslash) stands for exactly one arbitrary component,
// e.g. "HKEY_CLASSES_ROOT\CLSID\\InProcServer32". The components that the wildcards stand for
// are captured in order (the CLSID, IID, ProgID ... of the key). A pattern without a wildcard
// matches every key whose name begins with it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "capture/registry_model.h"

namespace mappers {

using KeyMap = capture::RegistryModel::KeyMap;
using KeyPosition = KeyMap::iterator;
using Captures = std::vector<std::string>;

class KeyPattern {
 public:
  // Exact: the key has as many components as the pattern. Prefix: the key may have more
  // (it then continues below the pattern's last component).
  enum Mode { kExact, kPrefix };

  explicit KeyPattern(std::string pattern, Mode mode = kExact);

  // Literal components are compared without regard to case; captures (when given) receive the
  // wildcard components in order.
  bool Matches(std::string_view keyName, Captures* captures = nullptr) const;

  // The first key from position on that matches, or keys.end(). Only the keys that begin with
  // the pattern's literal head are looked at, so a walk over all matches costs the matches and
  // not the whole collection.
  KeyPosition FindNext(KeyMap& keys, KeyPosition position, Captures* captures = nullptr) const;

  // Calls visit(key, captures) for every matching key from start on, in key order.
  template <typename Visit>
  void ForEach(KeyMap& keys, KeyPosition start, Visit&& visit) const {
    Captures captures;
    for (KeyPosition at = FindNext(keys, start, &captures); at != keys.end();
         at = FindNext(keys, std::next(at), &captures))
      visit(at->second, captures);
  }

  const std::string& Text() const { return pattern_; }

 private:
  std::string pattern_;
  Mode mode_;
  bool plainPrefix_;              // no wildcard: a prefix of the key name
  std::vector<std::string> parts_;  // components; empty ones are wildcards
  std::string literalHead_;       // the text before the first wildcard
};

}  // namespace mappers
