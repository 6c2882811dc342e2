#pragma once
// Whole-file reads and crash-safe whole-file writes.

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace win {

// The bytes of a file; nullopt when it cannot be opened or read.
std::optional<std::string> readFileBytes(const std::filesystem::path& file);

// Writes `bytes` to a temporary file in the target's folder, flushes it to disk and renames
// it over `file`, so a failed or interrupted write leaves the old file whole. An existing
// file keeps its permission bits. False (and the old file untouched) on any failure.
bool writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);

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
