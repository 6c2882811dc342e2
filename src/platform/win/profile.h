#pragma once
// Profile (INI) files, read and written as the Windows private-profile functions do.
//
// Files are code page 936 text; characters GBK cannot encode are written in GB18030. A file
// that starts with a UTF-8 (or UTF-16LE) byte-order mark is read in that encoding and keeps
// it when written. Section and key names compare without regard to ASCII case; the first of
// duplicate sections or keys wins. Values are trimmed of blanks, and one pair of matching
// single or double quotes around a value is removed. Lines starting with ';' are comments.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace win {

// The value of `key` in `section`, or `defaultValue` (without its trailing blanks) when the
// file, the section or the key is missing.
std::string getProfileString(const std::filesystem::path& file, std::string_view section,
                             std::string_view key, std::string_view defaultValue);

// The value read as an integer: optional sign, decimal or "0x" hexadecimal digits, stopping
// at the first other character ("12abc" is 12, "abc" is 0); `defaultValue` when the key is
// missing or its value empty.
int getProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  int defaultValue);

// Key names of a section in file order (every name, however many and however long).
std::vector<std::string> getProfileKeyNames(const std::filesystem::path& file,
                                            std::string_view section);

// Key names and values of a section in file order, as getProfileString gives them (the
// first of duplicate keys), in one reading of the file.
std::vector<std::pair<std::string, std::string>> getProfileSection(
    const std::filesystem::path& file, std::string_view section);

// Section names in file order.
std::vector<std::string> getProfileSectionNames(const std::filesystem::path& file);

// Sets `key` in `section` to `value`, creating the file, section or key as needed; a null
// `value` deletes the key. The other lines of the file stay as they were. False when the
// file cannot be written (the old file is then untouched).
bool writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::optional<std::string_view> value);

// Removes a whole section.
bool deleteProfileSection(const std::filesystem::path& file, std::string_view section);

}  // namespace win
