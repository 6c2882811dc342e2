#pragma once
// The drawing a benchmark reads, as plain DXF: an .xz file is unpacked once into the
// temporary folder (kept for the next run); an empty path when that fails.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

inline std::filesystem::path PlainDrawing(const std::filesystem::path& file) {
  namespace fs = std::filesystem;
  if (file.extension() != ".xz") return file;
  const fs::path out = fs::temp_directory_path() / file.stem();
  if (fs::exists(out) && fs::file_size(out) > 0) return out;
  std::printf("unpacking %s ...\n", file.c_str());
  std::fflush(stdout);
  const std::string command = "xz -dc '" + file.string() + "' > '" + out.string() +
                              ".part' && mv '" + out.string() + ".part' '" + out.string() + "'";
  if (std::system(command.c_str()) != 0) return {};
  return out;
}

}  // namespace bench
