#include "platform/win/hive.h"

#include <cstdio>

#include "platform/win/codepage.h"
#include "platform/win/utf8.h"

namespace win {

std::vector<std::uint8_t> regStringData(std::string_view utf8) {
  const std::u16string wide = toUtf16(utf8);
  std::vector<std::uint8_t> data;
  data.reserve(wide.size() * 2 + 2);
  for (char16_t c : wide) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::string regStringText(const std::vector<std::uint8_t>& data) {
  std::u16string wide;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    wide += c;
  }
  return fromUtf16(wide);
}

std::string Hive::normalizePath(std::string_view path) {
  std::string out;
  while (!path.empty()) {
    const std::size_t sep = path.find('\\');
    const std::string_view part = path.substr(0, sep);
    if (!part.empty()) {
      if (!out.empty()) out += '\\';
      out += part;
    }
    if (sep == std::string_view::npos) break;
    path.remove_prefix(sep + 1);
  }
  return out;
}

std::string Hive::sortKey(std::string_view normalizedPath) {
  std::string key = asciiUpper(normalizedPath);
  for (char& c : key) {
    if (c == '\\') c = '\x01';
  }
  return key;
}

RegKeyNode* Hive::find(std::string_view path) {
  auto it = keys_.find(sortKey(normalizePath(path)));
  return it == keys_.end() ? nullptr : &it->second;
}

const RegKeyNode* Hive::find(std::string_view path) const {
  auto it = keys_.find(sortKey(normalizePath(path)));
  return it == keys_.end() ? nullptr : &it->second;
}

RegKeyNode& Hive::create(std::string_view path, bool* created) {
  const std::string full = normalizePath(path);
  if (created) *created = false;
  RegKeyNode* node = nullptr;
  std::size_t pos = 0;
  do {
    pos = full.find('\\', pos);
    const std::string prefix = full.substr(0, pos);
    auto [it, inserted] = keys_.try_emplace(sortKey(prefix));
    if (inserted) {
      it->second.path = prefix;
      if (created && prefix == full) *created = true;
    }
    node = &it->second;
    if (pos != std::string::npos) ++pos;
  } while (pos != std::string::npos);
  return *node;
}

bool Hive::removeTree(std::string_view path) {
  const std::string key = sortKey(normalizePath(path));
  if (key.empty() || !keys_.contains(key)) return false;
  auto it = keys_.find(key);
  const std::string below = key + '\x01';
  while (it != keys_.end() && (it->first == key || it->first.starts_with(below))) {
    it = keys_.erase(it);
  }
  return true;
}

std::vector<std::string> Hive::subKeyNames(std::string_view path) const {
  const std::string key = sortKey(normalizePath(path));
  const std::string below = key.empty() ? std::string() : key + '\x01';
  std::vector<std::string> names;
  for (auto it = keys_.lower_bound(below); it != keys_.end(); ++it) {
    if (!it->first.starts_with(below)) break;
    const std::string_view rest = std::string_view(it->first).substr(below.size());
    if (rest.empty() || rest.find('\x01') != std::string_view::npos) continue;
    const std::string& p = it->second.path;
    names.push_back(p.substr(p.size() - rest.size()));
  }
  return names;
}

RegValue* Hive::findValue(RegKeyNode& key, std::string_view name) {
  for (RegValue& v : key.values) {
    if (equalsIgnoreAsciiCase(v.name, name)) return &v;
  }
  return nullptr;
}

const RegValue* Hive::findValue(const RegKeyNode& key, std::string_view name) {
  for (const RegValue& v : key.values) {
    if (equalsIgnoreAsciiCase(v.name, name)) return &v;
  }
  return nullptr;
}

}  // namespace win
