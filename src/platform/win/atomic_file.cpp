#include "platform/win/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <system_error>
#include <vector>

namespace win {

namespace {

// Closes a descriptor on every path out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (a late write error shows here).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

void setWhy(std::string* why, const char* text) {
  if (why) *why = text;
}

const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder";
  if (S_ISCHR(mode)) return "is a device";
  if (S_ISBLK(mode)) return "is a block device";
  if (S_ISFIFO(mode)) return "is a FIFO";
  if (S_ISSOCK(mode)) return "is a socket";
  return "is not a regular file";
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// --- Temporary files in flight, for the signal handler ---------------------------------
// The handler may only touch lock-free atomics and fixed buffers; each slot holds one
// temporary file's name while its write is under way.

constexpr std::size_t kSlots = 16;
struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<bool> ready{false};
  char name[PATH_MAX] = {};
};
std::array<Slot, kSlots> g_slots;

struct Previous {
  int signal;
  struct sigaction action;
};
std::array<Previous, 3> g_previous{{{SIGINT, {}}, {SIGTERM, {}}, {SIGHUP, {}}}};

extern "C" void removeTemporariesAndResignal(int sig) {
  for (Slot& slot : g_slots) {
    if (slot.ready.load()) ::unlink(slot.name);
  }
  // Whatever was there before (a program's own handler or the default) handles it next.
  for (const Previous& p : g_previous) {
    if (p.signal != sig) continue;
    ::sigaction(sig, &p.action, nullptr);
  }
  ::raise(sig);
}

// Installed once, and only where the program has not chosen to ignore the signal.
void installHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (Previous& p : g_previous) {
      struct sigaction current {};
      if (::sigaction(p.signal, nullptr, &current) != 0) continue;
      if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) continue;
      p.action = current;
      struct sigaction mine {};
      mine.sa_handler = removeTemporariesAndResignal;
      sigemptyset(&mine.sa_mask);
      mine.sa_flags = SA_RESETHAND;
      ::sigaction(p.signal, &mine, nullptr);
    }
  });
}

// Holds a slot for the temporary file's lifetime; the file is unlinked by the writer itself
// on every ordinary path.
class InFlight {
 public:
  explicit InFlight(const char* name) {
    if (std::strlen(name) >= PATH_MAX) return;
    for (Slot& slot : g_slots) {
      bool expected = false;
      if (!slot.taken.compare_exchange_strong(expected, true)) continue;
      std::strcpy(slot.name, name);
      slot.ready.store(true);
      slot_ = &slot;
      return;
    }
  }
  InFlight(const InFlight&) = delete;
  InFlight& operator=(const InFlight&) = delete;
  ~InFlight() {
    if (!slot_) return;
    slot_->ready.store(false);
    slot_->taken.store(false);
  }

 private:
  Slot* slot_ = nullptr;
};

constexpr std::string_view kTempMark = ".partial-";
constexpr std::size_t kTempRandom = 6;  // mkstemp's X's

// Removes this writer's temporary files older than a day from `folder`: what a run killed
// outright (SIGKILL, power loss) leaves behind.
void removeStaleTemporaries(const std::filesystem::path& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const time_t now = ::time(nullptr);
  while (const dirent* entry = ::readdir(dir)) {
    if (!isTemporaryFileName(entry->d_name)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (now - st.st_mtime < kStaleTemporarySeconds) continue;
    ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

// The file a chain of symbolic links ends in (which need not exist yet); nullopt on a loop.
std::optional<std::filesystem::path> followLinks(std::filesystem::path file) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return file;
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(file.c_str(), target.data(), PATH_MAX);
    if (n <= 0) return std::nullopt;
    std::filesystem::path next(std::string(target.data(), static_cast<std::size_t>(n)));
    file = next.is_absolute() ? next : file.parent_path() / next;
  }
  return std::nullopt;
}

bool writeThrough(const std::filesystem::path& file, std::string_view bytes, std::string* why) {
  Fd fd(::open(file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) {
    setWhy(why, "cannot be opened for writing");
    return false;
  }
  if (!writeAll(fd.get(), bytes) || !fd.close()) {
    setWhy(why, "could not be written whole");
    return false;
  }
  return true;
}

}  // namespace

bool isTemporaryFileName(std::string_view name) {
  if (name.size() < 1 + kTempMark.size() + kTempRandom || name.front() != '.') return false;
  const std::string_view tail = name.substr(name.size() - kTempMark.size() - kTempRandom);
  return tail.substr(0, kTempMark.size()) == kTempMark;
}

std::optional<std::string> readFileBytes(const std::filesystem::path& file, std::string* why,
                                         std::size_t maxBytes) {
  Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    setWhy(why, errno == ENOENT ? "does not exist" : "cannot be opened");
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    setWhy(why, "cannot be read");
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    setWhy(why, kindOf(st.st_mode));
    return std::nullopt;
  }
  if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
    setWhy(why, "is too large");
    return std::nullopt;
  }
  // The size is a hint only (files under /proc report 0): read to the end, within the cap.
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[65536];
  while (true) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      setWhy(why, "cannot be read");
      return std::nullopt;
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
      setWhy(why, "is too large");
      return std::nullopt;
    }
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  return bytes;
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  namespace fs = std::filesystem;
  if (a.empty() || b.empty()) return false;
  std::error_code e1, e2, e3;
  if (fs::equivalent(a, b, e1) && !e1) return true;
  const fs::path x = fs::weakly_canonical(a, e2), y = fs::weakly_canonical(b, e3);
  return !e2 && !e3 && x == y;
}

bool isReadOnly(const std::filesystem::path& file) {
  return ::access(file.c_str(), W_OK) != 0 && errno == EACCES;
}

bool writeFileAtomically(const std::filesystem::path& requested, std::string_view bytes,
                         std::string* why) {
  const std::optional<std::filesystem::path> resolved = followLinks(requested);
  if (!resolved) {
    setWhy(why, "is a loop of symbolic links");
    return false;
  }
  const std::filesystem::path& file = *resolved;
  struct stat old {};
  const bool exists = ::stat(file.c_str(), &old) == 0;
  if (exists && (S_ISCHR(old.st_mode) || S_ISFIFO(old.st_mode))) {
    return writeThrough(file, bytes, why);
  }
  if (exists && !S_ISREG(old.st_mode)) {
    setWhy(why, kindOf(old.st_mode));
    return false;
  }
  // The rename would replace a file its owner made read-only as readily as any other.
  if (exists && isReadOnly(file)) {
    setWhy(why, "cannot be written (the file is read-only)");
    return false;
  }
  const std::filesystem::path folder =
      file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  installHandlers();
  removeStaleTemporaries(folder);
  // Built piecewise: GCC 12 at -O3 warns falsely about "." + name + suffix.
  std::string base = ".";
  base.append(file.filename().string());
  base.append(kTempMark);
  base.append(kTempRandom, 'X');
  const std::string pattern = (folder / base).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // Signals are held off while the name is made and registered, so that no temporary file
  // exists that the handler does not know of.
  sigset_t stop, before;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGHUP);
  ::pthread_sigmask(SIG_BLOCK, &stop, &before);
  Fd fd(::mkstemp(name.data()));
  const int made = errno;
  std::optional<InFlight> inFlight;
  if (fd.get() >= 0) inFlight.emplace(name.data());
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  if (fd.get() < 0) {
    setWhy(why, made == ENOENT || made == ENOTDIR ? "cannot be written (no such folder)"
                : made == EACCES || made == EPERM || made == EROFS
                    ? "cannot be written (its folder is not writable)"
                    : "cannot be written (no temporary file in its folder)");
    return false;
  }
  const mode_t mode = exists ? (old.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  ok = fd.close() && ok;
  if (ok) ok = ::rename(name.data(), file.c_str()) == 0;
  if (!ok) {
    ::unlink(name.data());
    setWhy(why, "could not be written whole");
    return false;
  }
  // Make the rename itself durable; failure here does not undo a completed write.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

bool writeFilesAtomically(std::span<const FileImage> files, std::filesystem::path* failed) {
  // Links are followed and devices or FIFOs written through exactly as for one file; only
  // plain files (or new ones) share the one flush.
  std::vector<FileImage> plain;
  for (const FileImage& f : files) {
    const std::optional<std::filesystem::path> resolved = followLinks(f.file);
    struct stat st {};
    const bool exists = resolved && ::stat(resolved->c_str(), &st) == 0;
    if (!resolved || (exists && !S_ISREG(st.st_mode))) {
      if (!writeFileAtomically(f.file, f.bytes)) {
        if (failed) *failed = f.file;
        return false;
      }
      continue;
    }
    plain.push_back({*resolved, f.bytes});
  }
  std::vector<std::string> temps;
  std::set<std::filesystem::path> folders;
  auto fail = [&](const std::filesystem::path& file) {
    for (const std::string& t : temps) ::unlink(t.c_str());
    if (failed) *failed = file;
    return false;
  };
  installHandlers();
  for (const FileImage& f : plain) {
    const std::filesystem::path folder =
        f.file.has_parent_path() ? f.file.parent_path() : std::filesystem::path(".");
    if (folders.insert(folder).second) removeStaleTemporaries(folder);
    std::string base = ".";
    base.append(f.file.filename().string());
    base.append(kTempMark);
    base.append(kTempRandom, 'X');
    const std::string pattern = (folder / base).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return fail(f.file);
    temps.emplace_back(name.data());
    struct stat old {};
    const mode_t mode = ::stat(f.file.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, f.bytes);
    ok = (::close(fd) == 0) && ok;
    if (!ok) return fail(f.file);
  }
  for (const std::filesystem::path& folder : folders) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    const bool synced = dir >= 0 && ::syncfs(dir) == 0;
    if (dir >= 0) ::close(dir);
    if (!synced) return fail(folder);
  }
  for (std::size_t i = 0; i < plain.size(); ++i) {
    if (::rename(temps[i].c_str(), plain[i].file.c_str()) != 0) {
      temps.erase(temps.begin(), temps.begin() + static_cast<std::ptrdiff_t>(i));
      return fail(plain[i].file);
    }
  }
  for (const std::filesystem::path& folder : folders) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
  return true;
}

}  // namespace win
