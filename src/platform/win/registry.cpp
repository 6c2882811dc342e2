#include "platform/win/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/win/atomic_file.h"
#include "platform/win/utf8.h"

namespace win {

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

// Exclusive lock on "<hive>.lock", held for one transaction. The hive file itself is
// replaced by rename, so its own inode cannot carry the lock.
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& hive) {
    const std::string name = hive.string() + ".lock";
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
          ::close(fd_);
          fd_ = -1;
          break;
        }
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Identity of the hive file's content, or empty when it cannot be trusted: file times are
// as coarse as the kernel's clock tick and a freed inode number is soon reused, so a file
// replaced within the last two seconds may carry the stamp of an older one.
std::string fileStamp(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return "missing";
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (now.tv_sec - st.st_mtim.tv_sec < 2) return {};
  return std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + ':' +
         std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.' +
         std::to_string(st.st_mtim.tv_nsec);
}

}  // namespace

// The state of an open batch: the lock held across its calls, the nesting depth, and
// whether the cached hive holds changes the file does not have yet.
struct Registry::Batch {
  explicit Batch(const std::filesystem::path& file) : lock(file) {}
  FileLock lock;
  int depth = 1;
  bool dirty = false;
};

Registry::Registry(std::filesystem::path hiveFile) : file_(std::move(hiveFile)) {}

Registry::~Registry() {
  if (batch_) {
    batch_->depth = 1;
    endBatch();
  }
}

bool Registry::beginBatch() {
  std::lock_guard guard(mutex_);
  if (batch_) {
    ++batch_->depth;
    return true;
  }
  std::error_code ec;
  if (file_.has_parent_path()) std::filesystem::create_directories(file_.parent_path(), ec);
  auto batch = std::make_unique<Batch>(file_);
  // Without the lock the calls of the batch simply run one by one, as they would without it.
  if (!batch->lock.locked()) return false;
  load(/*fresh=*/true);
  batch_ = std::move(batch);
  return true;
}

RegStatus Registry::endBatch() {
  std::lock_guard guard(mutex_);
  if (!batch_) return RegStatus::Success;
  if (--batch_->depth > 0) return RegStatus::Success;
  std::unique_ptr<Batch> batch = std::move(batch_);
  if (!batch->dirty) return RegStatus::Success;
  if (!writeFileAtomically(file_, cache_.toText(kRoot))) {
    // The cache must not claim what the file lacks.
    load(/*fresh=*/true);
    return RegStatus::AccessDenied;
  }
  cacheStamp_ = fileStamp(file_);
  return RegStatus::Success;
}

std::filesystem::path Registry::defaultHivePath() {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  return base / "kestra" / "registry.reg";
}

Registry& Registry::currentUser() {
  static Registry registry(defaultHivePath());
  return registry;
}

std::function<void(const std::string&)>& warningSink() {
  static std::function<void(const std::string&)> sink = [](const std::string& text) {
    std::fprintf(stderr, "warning: %s\n", text.c_str());
  };
  return sink;
}

void Registry::setWarningSink(std::function<void(const std::string&)> sink) {
  warningSink() = std::move(sink);
}

const Hive& Registry::load(bool fresh) {
  const std::string stamp = fileStamp(file_);
  if (fresh || stamp.empty() || stamp != cacheStamp_) {
    std::string why;
    auto bytes = readFileBytes(file_, &why);
    problem_.clear();
    if (bytes) {
      bool clean = true;
      std::size_t line = 0;
      cache_ = Hive::fromText(*bytes, kRoot, &clean, &line);
      if (!clean) {
        problem_ = file_.string() + " line " + std::to_string(line) +
                   ": not understood; the file is kept as it is and settings are not saved to it";
      }
    } else {
      cache_ = Hive();
      struct stat st {};
      if (::lstat(file_.c_str(), &st) == 0 || errno != ENOENT) {
        problem_ = file_.string() + " " + why + "; settings are not read from it or saved to it";
      }
    }
    cacheStamp_ = stamp;
    if (!problem_.empty() && problem_ != warned_) {
      warned_ = problem_;
      if (warningSink()) warningSink()(problem_);
    }
  }
  return cache_;
}

std::optional<std::string> Registry::readProblem() {
  std::lock_guard guard(mutex_);
  load();
  if (problem_.empty()) return std::nullopt;
  return problem_;
}

RegStatus Registry::read(const std::function<RegStatus(const Hive&)>& fn) {
  std::lock_guard guard(mutex_);
  if (batch_) return fn(cache_);  // nobody else can change the file while the lock is held
  return fn(load());
}

RegStatus Registry::modify(const std::function<RegStatus(Hive&)>& fn) {
  std::lock_guard guard(mutex_);
  if (batch_) {
    if (!problem_.empty()) return RegStatus::AccessDenied;  // never write over what did not read
    Hive hive = cache_;
    const RegStatus status = fn(hive);
    if (status != RegStatus::Success) return status;
    cache_ = std::move(hive);
    batch_->dirty = true;
    return RegStatus::Success;
  }
  std::error_code ec;
  if (file_.has_parent_path()) std::filesystem::create_directories(file_.parent_path(), ec);
  FileLock lock(file_);
  if (!lock.locked()) return RegStatus::AccessDenied;
  Hive hive = load(/*fresh=*/true);  // a writer must never build on a stale copy
  if (!problem_.empty()) return RegStatus::AccessDenied;
  const RegStatus status = fn(hive);
  if (status != RegStatus::Success) return status;
  if (!writeFileAtomically(file_, hive.toText(kRoot))) return RegStatus::AccessDenied;
  cache_ = std::move(hive);
  cacheStamp_ = fileStamp(file_);
  return RegStatus::Success;
}

Hive Registry::snapshot() {
  std::lock_guard guard(mutex_);
  if (batch_) return cache_;
  return load();
}

RegStatus Registry::openKey(std::string_view path, RegKey& key) {
  const std::string normal = Hive::normalizePath(path);
  const RegStatus status = read([&](const Hive& hive) {
    return normal.empty() || hive.find(normal) ? RegStatus::Success : RegStatus::FileNotFound;
  });
  if (status == RegStatus::Success) {
    key.registry_ = this;
    key.path_ = normal;
  }
  return status;
}

RegStatus Registry::createKey(std::string_view path, RegKey& key, bool* created) {
  const std::string normal = Hive::normalizePath(path);
  if (normal.empty()) return openKey(normal, key);
  bool made = false;
  RegStatus status = read([&](const Hive& hive) {
    return hive.find(normal) ? RegStatus::Success : RegStatus::FileNotFound;
  });
  if (status == RegStatus::FileNotFound) {
    status = modify([&](Hive& hive) {
      hive.create(normal, &made);
      return RegStatus::Success;
    });
  }
  if (created) *created = made;
  if (status == RegStatus::Success) {
    key.registry_ = this;
    key.path_ = normal;
  }
  return status;
}

RegStatus Registry::deleteTree(std::string_view path) {
  const std::string normal = Hive::normalizePath(path);
  if (normal.empty()) return RegStatus::AccessDenied;
  return modify([&](Hive& hive) {
    return hive.removeTree(normal) ? RegStatus::Success : RegStatus::FileNotFound;
  });
}

RegKey::RegKey(RegKey&& other) noexcept
    : registry_(std::exchange(other.registry_, nullptr)), path_(std::move(other.path_)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  registry_ = std::exchange(other.registry_, nullptr);
  path_ = std::move(other.path_);
  return *this;
}

void RegKey::close() {
  registry_ = nullptr;
  path_.clear();
}

std::string RegKey::childPath(std::string_view subKey) const {
  const std::string sub = Hive::normalizePath(subKey);
  if (path_.empty()) return sub;
  return sub.empty() ? path_ : path_ + '\\' + sub;
}

RegStatus RegKey::queryValue(std::string_view name, std::uint32_t* type, void* data,
                             std::uint32_t* size) const {
  if (!registry_) return RegStatus::InvalidHandle;
  if (data && !size) return RegStatus::InvalidParameter;
  return registry_->read([&](const Hive& hive) {
    const RegKeyNode* node = hive.find(path_);
    if (!node) return path_.empty() ? RegStatus::FileNotFound : RegStatus::KeyDeleted;
    const RegValue* v = Hive::findValue(*node, name);
    if (!v) return RegStatus::FileNotFound;
    if (type) *type = v->type;
    const auto needed = static_cast<std::uint32_t>(v->data.size());
    if (!size) return RegStatus::Success;
    const std::uint32_t room = *size;
    *size = needed;
    if (!data) return RegStatus::Success;
    if (room < needed) return RegStatus::MoreData;
    if (needed) std::memcpy(data, v->data.data(), needed);
    return RegStatus::Success;
  });
}

RegStatus RegKey::setValue(std::string_view name, std::uint32_t type, const void* data,
                           std::uint32_t size) {
  if (!registry_) return RegStatus::InvalidHandle;
  if (size && !data) return RegStatus::InvalidParameter;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return registry_->modify([&](Hive& hive) {
    RegKeyNode* node = hive.find(path_);
    if (!node) return RegStatus::KeyDeleted;
    RegValue* v = Hive::findValue(*node, name);
    if (!v) {
      node->values.push_back(RegValue{std::string(name), type, {}});
      v = &node->values.back();
    }
    v->type = type;
    v->data.assign(bytes, bytes + size);
    return RegStatus::Success;
  });
}

RegStatus RegKey::deleteValue(std::string_view name) {
  if (!registry_) return RegStatus::InvalidHandle;
  return registry_->modify([&](Hive& hive) {
    RegKeyNode* node = hive.find(path_);
    if (!node) return RegStatus::KeyDeleted;
    for (auto it = node->values.begin(); it != node->values.end(); ++it) {
      if (equalsIgnoreAsciiCase(it->name, name)) {
        node->values.erase(it);
        return RegStatus::Success;
      }
    }
    return RegStatus::FileNotFound;
  });
}

std::optional<std::string> RegKey::queryString(std::string_view name) const {
  std::uint32_t type = 0, size = 0;
  if (queryValue(name, &type, nullptr, &size) != RegStatus::Success) return std::nullopt;
  if (type != kRegSz && type != kRegExpandSz) return std::nullopt;
  std::vector<std::uint8_t> data(size);
  if (queryValue(name, &type, data.data(), &size) != RegStatus::Success) return std::nullopt;
  data.resize(size);
  return regStringText(data);
}

std::optional<std::uint32_t> RegKey::queryDword(std::string_view name) const {
  std::uint32_t type = 0, value = 0, size = sizeof value;
  if (queryValue(name, &type, &value, &size) != RegStatus::Success) return std::nullopt;
  if (type != kRegDword || size != sizeof value) return std::nullopt;
  return value;
}

std::optional<std::vector<std::uint8_t>> RegKey::queryBinary(std::string_view name) const {
  std::uint32_t type = 0, size = 0;
  if (queryValue(name, &type, nullptr, &size) != RegStatus::Success) return std::nullopt;
  std::vector<std::uint8_t> data(size);
  if (queryValue(name, &type, data.data(), &size) != RegStatus::Success) return std::nullopt;
  data.resize(size);
  return data;
}

RegStatus RegKey::setString(std::string_view name, std::string_view utf8) {
  const auto data = regStringData(utf8);
  return setValue(name, kRegSz, data.data(), static_cast<std::uint32_t>(data.size()));
}

RegStatus RegKey::setExpandString(std::string_view name, std::string_view utf8) {
  const auto data = regStringData(utf8);
  return setValue(name, kRegExpandSz, data.data(), static_cast<std::uint32_t>(data.size()));
}

RegStatus RegKey::setDword(std::string_view name, std::uint32_t value) {
  return setValue(name, kRegDword, &value, sizeof value);
}

RegStatus RegKey::setBinary(std::string_view name, const std::vector<std::uint8_t>& bytes) {
  return setValue(name, kRegBinary, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

RegStatus RegKey::openSubKey(std::string_view subKey, RegKey& key) const {
  if (!registry_) return RegStatus::InvalidHandle;
  return registry_->openKey(childPath(subKey), key);
}

RegStatus RegKey::createSubKey(std::string_view subKey, RegKey& key, bool* created) const {
  if (!registry_) return RegStatus::InvalidHandle;
  return registry_->createKey(childPath(subKey), key, created);
}

RegStatus RegKey::deleteSubKeyTree(std::string_view subKey) {
  if (!registry_) return RegStatus::InvalidHandle;
  return registry_->deleteTree(childPath(subKey));
}

RegStatus RegKey::subKeyNames(std::vector<std::string>& names) const {
  if (!registry_) return RegStatus::InvalidHandle;
  return registry_->read([&](const Hive& hive) {
    if (!path_.empty() && !hive.find(path_)) return RegStatus::KeyDeleted;
    names = hive.subKeyNames(path_);
    return RegStatus::Success;
  });
}

RegStatus RegKey::valueNames(std::vector<std::string>& names) const {
  if (!registry_) return RegStatus::InvalidHandle;
  return registry_->read([&](const Hive& hive) {
    const RegKeyNode* node = hive.find(path_);
    if (!node) return RegStatus::KeyDeleted;
    names.clear();
    for (const RegValue& v : node->values) names.push_back(v.name);
    return RegStatus::Success;
  });
}

}  // namespace win
