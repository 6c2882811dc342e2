#pragma once
// The in-memory tree of one registry hive and its REGEDIT4 text form.
//
// Values keep their data as the wide-character registry interface returns it: strings
// (string, expandable string, multi-string) as UTF-16LE with their terminating zero, numbers
// as four little-endian bytes. The text form is what a Windows registry editor exports and
// imports: code page 936 text (GB18030 where GBK cannot encode), keys in brackets, strings in
// quotes, numbers as "dword:", everything else as "hex(n):" byte lists.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win {

enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

struct RegValue {
  std::string name;  // empty for the key's default value
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;
};

struct RegKeyNode {
  std::string path;  // as first created, components joined by '\'
  std::vector<RegValue> values;
};

class Hive {
 public:
  // Canonical form of a key path: components without empty ones, joined by '\'.
  static std::string normalizePath(std::string_view path);

  RegKeyNode* find(std::string_view path);
  const RegKeyNode* find(std::string_view path) const;
  // Creates the key and every missing ancestor; returns the key.
  RegKeyNode& create(std::string_view path, bool* created = nullptr);
  // Removes the key and everything below it; false when it does not exist.
  bool removeTree(std::string_view path);
  // Names (last components) of the direct sub-keys, in hive order.
  std::vector<std::string> subKeyNames(std::string_view path) const;

  static RegValue* findValue(RegKeyNode& key, std::string_view name);
  static const RegValue* findValue(const RegKeyNode& key, std::string_view name);

  // The REGEDIT4 file bytes of the hive, rooted at `rootName` ("HKEY_CURRENT_USER").
  std::string toText(std::string_view rootName) const;
  // Reads REGEDIT4 file bytes. Sections of other roots and lines that cannot be understood
  // are skipped (a key line without its closing bracket still opens its key); `clean` (when
  // given) tells whether every line was understood, `firstBadLine` the first line that was
  // not (0 when all were).
  static Hive fromText(std::string_view bytes, std::string_view rootName, bool* clean = nullptr,
                       std::size_t* firstBadLine = nullptr);

  std::size_t keyCount() const { return keys_.size(); }

 private:
  // Sort key: upper-cased path with a separator that orders a key before its sub-keys'
  // siblings, so the text lists every key directly above its sub-keys.
  static std::string sortKey(std::string_view normalizedPath);
  std::map<std::string, RegKeyNode> keys_;
};

// UTF-16LE bytes with a terminating zero for a UTF-8 text, and back (stopping at the first
// zero character; an odd trailing byte is ignored).
std::vector<std::uint8_t> regStringData(std::string_view utf8);
std::string regStringText(const std::vector<std::uint8_t>& data);

}  // namespace win
