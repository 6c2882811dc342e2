// Load benchmark: reads the large topographic drawing, reports MB/s and peak memory, and
// in the same run loads it with ezdxf and with GDAL's ogrinfo for comparison.
//
//   bench_dxf_load [--file DRAWING.dxf] [--runs N] [--no-peers]
//
// Without --file the compressed shared drawing is unpacked into a temporary folder first.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/dxf/dxf_reader.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// Runs a shell command; its wall time and peak memory (kB) of the child, or a negative
// time when it failed.
double runPeer(const std::string& command, long& peakKb) {
  auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return -1.0;
  auto end = Clock::now();
  peakKb = usage.ru_maxrss;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds(start, end) : -1.0;
}

long selfPeakKb() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  int runs = 3;
  bool peers = true;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help") {
      std::puts("usage: bench_dxf_load [--file DRAWING.dxf] [--runs N] [--no-peers]");
      return 0;
    } else if (a == "--file" && i + 1 < argc) {
      file = argv[++i];
    } else if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--no-peers") {
      peers = false;
    } else {
      std::fprintf(stderr, "bench_dxf_load: unexpected argument '%s'\n", a.c_str());
      return 2;
    }
  }
  fs::path temp;
  if (file.empty()) {
    temp = fs::temp_directory_path() / ("kestra_bench_" + std::to_string(getpid()));
    fs::create_directories(temp);
    file = (temp / "topo_large.dxf").string();
    std::string unpack =
        "xz -dc '" + std::string(KESTRA_SHARED_DATA) + "/large/topo_large.dxf.xz' > '" + file + "'";
    std::printf("unpacking the drawing into %s ...\n", temp.c_str());
    if (std::system(unpack.c_str()) != 0) {
      std::fprintf(stderr, "bench_dxf_load: cannot unpack the drawing\n");
      return 1;
    }
  }
  const double mb = static_cast<double>(fs::file_size(file)) / 1e6;
  std::printf("file: %s (%.1f MB)\n", file.c_str(), mb);

  double best = 1e9;
  std::size_t objects = 0, entities = 0;
  for (int r = 0; r < runs; ++r) {
    dxf::ReadReport report;
    auto start = Clock::now();
    auto db = dxf::readDrawing(file, report);
    auto end = Clock::now();
    if (!db) {
      std::fprintf(stderr, "bench_dxf_load: %s\n", report.message.c_str());
      return 1;
    }
    objects = db->objectCount();
    // Counted outside the timing: a reader that skipped records would look fast.
    entities = 0;
    db->forEachEntity(db->modelSpaceId(), [&](const cad::Entity&) { return ++entities, true; });
    best = std::min(best, seconds(start, end));
  }
  const long peak = selfPeakKb();
  const double peakRatio = peak / 1024.0 / (mb / 1.048576);
  std::printf(
      "kestra: %.3f s  %.0f MB/s  peak %.0f MB (%.2f x file)  %zu objects, %zu entities in model "
      "space\n",
      best, mb / best, peak / 1024.0, peakRatio, objects, entities);
  std::printf("targets: >= 150 MB/s %s, peak <= 3 x file %s\n", mb / best >= 150 ? "met" : "MISSED",
              peakRatio <= 3 ? "met" : "MISSED");

  if (peers) {
    long ezPeak = 0, gdalPeak = 0;
    double ez = runPeer("/usr/bin/python3 -c \"import ezdxf,sys; ezdxf.readfile(sys.argv[1])\" '" +
                            file + "' >/dev/null 2>&1",
                        ezPeak);
    double gdal = runPeer("ogrinfo -al -so '" + file + "' >/dev/null 2>&1", gdalPeak);
    if (ez > 0) {
      std::printf(
          "ezdxf:  %.3f s  %.0f MB/s  peak %.0f MB  -> kestra is %.1f x faster (target >= 20 %s)\n",
          ez, mb / ez, ezPeak / 1024.0, ez / best, ez / best >= 20 ? "met" : "MISSED");
    } else {
      std::printf("ezdxf:  not available\n");
    }
    if (gdal > 0) {
      std::printf("GDAL:   %.3f s  %.0f MB/s  peak %.0f MB  -> kestra is %.1f x faster\n", gdal,
                  mb / gdal, gdalPeak / 1024.0, gdal / best);
    } else {
      std::printf("GDAL:   not available\n");
    }
  }
  if (!temp.empty()) fs::remove_all(temp);
  return 0;
}
