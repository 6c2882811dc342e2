#include "platform/host/trusted_folders.h"

#include <filesystem>
#include <system_error>

namespace host {
namespace {

std::string resolved(std::string_view path) {
  std::error_code ec;
  std::filesystem::path p =
      std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  std::string s = p.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

void TrustedFolders::add(std::string_view list) {
  while (!list.empty()) {
    std::size_t semi = list.find(';');
    std::string_view item = trimmed(list.substr(0, semi));
    list = semi == std::string_view::npos ? std::string_view() : list.substr(semi + 1);
    if (item.empty()) continue;
    Entry e;
    if (item.ends_with("/...") || item.ends_with("\\...")) {
      e.withSubfolders = true;
      item.remove_suffix(4);
      if (item.empty()) item = "/";
    }
    e.folder = resolved(item);
    entries_.push_back(std::move(e));
  }
}

bool TrustedFolders::trusts(std::string_view fileName) const {
  std::string folder = std::filesystem::path(resolved(fileName)).parent_path().string();
  for (const Entry& e : entries_) {
    if (folder == e.folder) return true;
    if (!e.withSubfolders) continue;
    std::string prefix = e.folder == "/" ? e.folder : e.folder + "/";
    if (folder.starts_with(prefix)) return true;
  }
  return false;
}

}  // namespace host
