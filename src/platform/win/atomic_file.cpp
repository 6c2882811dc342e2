#include "platform/win/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

namespace win {

std::optional<std::string> readFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

namespace {

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
  const std::filesystem::path folder =
      file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  // Built piecewise: GCC 12 at -O3 warns falsely about "." + name + suffix.
  std::string base = ".";
  base.append(file.filename().string());
  base.append(".XXXXXX");
  const std::string pattern = (folder / base).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  struct stat old {};
  const mode_t mode = ::stat(file.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(name.data(), file.c_str()) == 0;
  if (!ok) {
    ::unlink(name.data());
    return false;
  }
  // Make the rename itself durable; failure here does not undo a completed write.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool writeFilesAtomically(std::span<const FileImage> files, std::filesystem::path* failed) {
  std::vector<std::string> temps;
  std::set<std::filesystem::path> folders;
  auto fail = [&](const std::filesystem::path& file) {
    for (const std::string& t : temps) ::unlink(t.c_str());
    if (failed) *failed = file;
    return false;
  };
  for (const FileImage& f : files) {
    const std::filesystem::path folder =
        f.file.has_parent_path() ? f.file.parent_path() : std::filesystem::path(".");
    folders.insert(folder);
    std::string base = ".";
    base.append(f.file.filename().string());
    base.append(".XXXXXX");
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
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (::rename(temps[i].c_str(), files[i].file.c_str()) != 0) {
      temps.erase(temps.begin(), temps.begin() + static_cast<std::ptrdiff_t>(i));
      return fail(files[i].file);
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
