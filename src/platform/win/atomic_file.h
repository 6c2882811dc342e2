#pragma once
// Whole-file reads and crash-safe whole-file writes. Every file the programs read or write
// goes through here, so that the rules for odd targets hold for all of them alike.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace win {

// Text files (settings, data files, hives) are never this large; a larger one is refused
// rather than read until memory runs out.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{256} << 20;

// Whether two paths name one file (one path written two ways, or two links to it).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);
// Whether an existing file is one its owner made read-only (false for the superuser, who
// may write it all the same).
bool isReadOnly(const std::filesystem::path& file);

// The bytes of a regular file of at most `maxBytes` bytes; nullopt when it cannot be
// opened or read, is not a regular file (a folder, a device, a FIFO) or is larger. `why`,
// when given, receives the reason as a short phrase ("is a folder").
std::optional<std::string> readFileBytes(const std::filesystem::path& file,
                                         std::string* why = nullptr,
                                         std::size_t maxBytes = kMaxTextFileBytes);

// Writes `bytes` to a temporary file in the target's folder, flushes it to disk and renames
// it over `file`, so a failed or interrupted write leaves the old file whole. An existing
// file keeps its permission bits. False (and the old file untouched) on any failure.
//
// A symbolic link is followed and its final target written this way; a character device or
// a FIFO is written straight through (there is nothing to replace); any other kind of file
// (a folder, a block device, a socket) is refused. Temporary files are removed when the
// program is stopped by SIGINT, SIGTERM or SIGHUP during the write, and a write removes the
// temporary files of this writer older than a day that an earlier killed run left behind.
bool writeFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                         std::string* why = nullptr);

// How old a left-over temporary file must be before a write into its folder removes it.
inline constexpr int kStaleTemporarySeconds = 24 * 60 * 60;

// True when `name` is the name of one of this writer's temporary files.
bool isTemporaryFileName(std::string_view name);

struct FileImage {
  std::filesystem::path file;
  std::string bytes;
};

// The same for many files at once, with one flush to disk for all of them (a flush per
// file costs far more than the writing of a thousand small files): every file goes to a
// temporary file first, the file system is flushed once, then each is renamed over its
// target. False, with `failed` naming the file, when any cannot be written; until the
// renames every target is untouched.
bool writeFilesAtomically(std::span<const FileImage> files,
                          std::filesystem::path* failed = nullptr);

}  // namespace win
