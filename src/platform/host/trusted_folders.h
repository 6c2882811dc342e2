#pragma once
// The list of folders from which modules load without asking the user.
//
// The list is written as a profile keeps it: entries separated by ";", blanks around an
// entry ignored. An entry ending in "/..." (or "\...") trusts its sub-folders as well.

#include <string>
#include <string_view>
#include <vector>

namespace host {

class TrustedFolders {
 public:
  TrustedFolders() = default;
  explicit TrustedFolders(std::string_view list) { add(list); }

  void add(std::string_view list);
  void clear() { entries_.clear(); }
  // True when the folder that holds `fileName` is trusted. Both sides are made absolute and
  // resolved (".." and links), so "trusted/../elsewhere/x.so" is not trusted.
  bool trusts(std::string_view fileName) const;
  bool empty() const { return entries_.empty(); }

 private:
  struct Entry {
    std::string folder;  // resolved, without a trailing separator
    bool withSubfolders = false;
  };
  std::vector<Entry> entries_;
};

}  // namespace host
