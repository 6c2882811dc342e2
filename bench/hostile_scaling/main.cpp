// Scaling benchmark: each case runs at N and 8N and prints the time ratio, next to the
// ratio of the peer (the same work done the old way, per key, where it is still reachable).
// n log n shows a ratio near 8-9; quadratic work shows 64.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/geom/intersect.h"
#include "platform/win/atomic_file.h"
#include "platform/win/profile.h"

namespace {

template <class F>
double seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A contour zigzagging across the section line y = 0 `n` times.
std::size_t cutZigzag(int n) {
  geom::Polyline2d contour;
  for (int i = 0; i <= n; ++i) contour.vertices.push_back({{i * 1.0, i % 2 ? 1.0 : -1.0}, 0.0});
  const geom::Cutter cutter(geom::Curve{geom::LineSeg{{-1, 0, 0}, {n + 1.0, 0, 0}}});
  return cutter.cut(contour, geom::SegmentRange{0, n}).points.size();
}

std::filesystem::path codeIni(int n) {
  const auto file =
      std::filesystem::temp_directory_path() / ("hostile_scaling_" + std::to_string(n) + ".ini");
  std::string text = "[CODE]\r\n";
  for (int i = 0; i < n; ++i)
    text += "K" + std::to_string(i) + "=remark " + std::to_string(i) + "\r\n";
  win::writeFileAtomically(file, text);
  return file;
}

}  // namespace

int main() {
  const int small = 10000, large = 80000;
  std::size_t hits = 0;
  const double a = seconds([&] { hits += cutZigzag(small); });
  const double b = seconds([&] { hits += cutZigzag(large); });
  std::printf("contour crossings: %d in %.3f s, %d in %.3f s, ratio %.1f (%zu points)\n", small, a,
              large, b, b / a, hits);

  const int keys = 1000, manyKeys = 8000;
  const auto f1 = codeIni(keys), f8 = codeIni(manyKeys);
  std::size_t got = 0;
  const double s1 = seconds([&] { got += win::getProfileSection(f1, "CODE").size(); });
  const double s8 = seconds([&] { got += win::getProfileSection(f8, "CODE").size(); });
  // The peer: the old reading, one file reading per key.
  const auto oldWay = [&](const std::filesystem::path& f) {
    for (const std::string& k : win::getProfileKeyNames(f, "CODE"))
      got += win::getProfileString(f, "CODE", k, "").size() > 0;
  };
  const double p1 = seconds([&] { oldWay(f1); });
  const double p8 = seconds([&] { oldWay(f8); });
  std::printf(
      "code keys: %d in %.4f s, %d in %.4f s, ratio %.1f; per key (peer): %.3f s, %.3f s, "
      "ratio %.1f; at %d keys %.0fx faster (%zu)\n",
      keys, s1, manyKeys, s8, s8 / s1, p1, p8, p8 / p1, manyKeys, p8 / s8, got);
  std::filesystem::remove(f1);
  std::filesystem::remove(f8);
  return 0;
}
