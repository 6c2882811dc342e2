#pragma once
// The shared drawings every file-driven test runs over.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace dxf::testing {

inline std::vector<std::filesystem::path> sharedDrawings() {
  std::vector<std::filesystem::path> files;
  for (const char* dir : {"dxf", "topo"}) {
    std::filesystem::path root = std::filesystem::path(KESTRA_SHARED_DATA) / dir;
    if (!std::filesystem::exists(root)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (entry.is_regular_file() && entry.path().extension() == ".dxf") {
        files.push_back(entry.path());
      }
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

inline std::string readWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string shortName(const std::filesystem::path& path) {
  return path.parent_path().filename().string() + "/" + path.filename().string();
}

}  // namespace dxf::testing
