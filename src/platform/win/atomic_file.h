#pragma once
// Whole-file reads and crash-safe whole-file writes.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace win {

// The bytes of a file; nullopt when it cannot be opened or read.
std::optional<std::string> readFileBytes(const std::filesystem::path& file);

// Writes `bytes` to a temporary file in the target's folder, flushes it to disk and renames
// it over `file`, so a failed or interrupted write leaves the old file whole. An existing
// file keeps its permission bits. False (and the old file untouched) on any failure.
bool writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);

}  // namespace win
