#pragma once
// The current user's registry (HKEY_CURRENT_USER), kept as a REGEDIT4 hive file.
//
// Every call is one transaction on the file: writers take an exclusive lock on a lock file
// beside the hive, read the newest hive, change it and replace the file through a temporary
// file and a rename. Two processes writing at once therefore never lose each other's values,
// and a reader always sees a whole file. Status codes are the Windows registry's.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/hive.h"

namespace win {

enum class RegStatus : std::int32_t {
  Success = 0,
  FileNotFound = 2,   // no such key or value
  AccessDenied = 5,   // the hive file cannot be written
  InvalidHandle = 6,  // the key handle is not open
  InvalidParameter = 87,
  MoreData = 234,     // the buffer is too small; the size needed is reported
  KeyDeleted = 1018,  // the key was deleted while the handle was open
};

class RegKey;

class Registry {
 public:
  explicit Registry(std::filesystem::path hiveFile);
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // ${XDG_CONFIG_HOME:-$HOME/.config}/kestra/registry.reg
  static std::filesystem::path defaultHivePath();
  // The process-wide registry on the default hive file.
  static Registry& currentUser();

  const std::filesystem::path& hiveFile() const { return file_; }

  RegStatus openKey(std::string_view path, RegKey& key);
  RegStatus createKey(std::string_view path, RegKey& key, bool* created = nullptr);
  // Deletes the key with all its sub-keys and values.
  RegStatus deleteTree(std::string_view path);

  // A copy of the newest hive (for listings and tests).
  Hive snapshot();

  // Why the hive file did not read cleanly ("FILE line 7: not understood"), if it did not.
  // Such a file is never written over: what did read is used, changes are refused with
  // AccessDenied, and the file stays as the user left it.
  std::optional<std::string> readProblem();
  // Where the one warning per problem goes; standard error unless set.
  static void setWarningSink(std::function<void(const std::string&)> sink);

 private:
  friend class RegKey;
  friend class RegistryBatch;
  struct Batch;
  bool beginBatch();
  RegStatus endBatch();
  RegStatus read(const std::function<RegStatus(const Hive&)>& fn);
  RegStatus modify(const std::function<RegStatus(Hive&)>& fn);
  const Hive& load(bool fresh = false);

  std::filesystem::path file_;
  std::mutex mutex_;
  Hive cache_;
  std::string cacheStamp_;  // identity of the file the cache was read from
  std::unique_ptr<Batch> batch_;
  std::string problem_;  // why the cached file is not to be written over
  std::string warned_;   // the problem last reported
};

// Makes the calls on a registry, while it lives, one transaction: the hive file is locked
// once, read once and written once at the end (or not at all when nothing changed). Many
// small writes, such as a first run storing every default, then cost one file write
// instead of one each. Other processes wait for the lock meanwhile, so keep it short.
// Batches nest; the outermost one writes. Use it on one thread only, and while it lives do
// not write through another Registry object on the same file: that one would wait for the
// lock this batch holds.
class RegistryBatch {
 public:
  explicit RegistryBatch(Registry& registry) : registry_(registry), began_(registry.beginBatch()) {}
  ~RegistryBatch() { commit(); }
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;

  // Ends the batch early; later calls answer Success and do nothing. AccessDenied when the
  // hive could not be locked or written (the batch's changes are then lost, as single
  // writes that failed would be).
  RegStatus commit() {
    if (!began_) return RegStatus::Success;
    began_ = false;
    return registry_.endBatch();
  }

 private:
  Registry& registry_;
  bool began_;
};

// An open key, like an HKEY: closed when destroyed; move-only.
class RegKey {
 public:
  RegKey() = default;
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() = default;

  bool isOpen() const { return registry_ != nullptr; }
  const std::string& path() const { return path_; }
  void close();

  // As the wide-character Windows query: with `data` null only the size is reported; a
  // buffer smaller than the value gives MoreData with the size needed in `*size`. String
  // data is UTF-16LE with its terminating zero.
  RegStatus queryValue(std::string_view name, std::uint32_t* type, void* data,
                       std::uint32_t* size) const;
  RegStatus setValue(std::string_view name, std::uint32_t type, const void* data,
                     std::uint32_t size);
  RegStatus deleteValue(std::string_view name);

  // Convenience forms over UTF-8 text.
  std::optional<std::string> queryString(std::string_view name) const;  // string or expandable
  std::optional<std::uint32_t> queryDword(std::string_view name) const;
  std::optional<std::vector<std::uint8_t>> queryBinary(std::string_view name) const;
  RegStatus setString(std::string_view name, std::string_view utf8);
  RegStatus setExpandString(std::string_view name, std::string_view utf8);
  RegStatus setDword(std::string_view name, std::uint32_t value);
  RegStatus setBinary(std::string_view name, const std::vector<std::uint8_t>& bytes);

  RegStatus openSubKey(std::string_view subKey, RegKey& key) const;
  RegStatus createSubKey(std::string_view subKey, RegKey& key, bool* created = nullptr) const;
  RegStatus deleteSubKeyTree(std::string_view subKey);
  RegStatus subKeyNames(std::vector<std::string>& names) const;
  RegStatus valueNames(std::vector<std::string>& names) const;

 private:
  friend class Registry;
  std::string childPath(std::string_view subKey) const;
  Registry* registry_ = nullptr;
  std::string path_;
};

}  // namespace win
