#pragma once
// The file name of the module (shared library or program) that contains an address, as the
// Windows module-file-name call reports it for a module's own handle.

#include <optional>
#include <string>

namespace win {

// Absolute file name of the module containing `address`; nullopt if none is found.
std::optional<std::string> moduleFileName(const void* address);

// The module's folder: its file name up to, not including, the last separator.
std::optional<std::string> moduleFolder(const void* address);

// The folder part of a file name (up to the last '/' or '\'); empty when there is none.
std::string folderOf(const std::string& fileName);

}  // namespace win
