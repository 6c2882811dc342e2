// Peak memory benchmark: runs the command lines on large drawings and prints each run's
// peak resident memory against the size of the file it read (target: at most 2 x), and,
// in the same run, the peak of ezdxf reading the same file.
//
//   bench_peak_memory [--keep DIR] [--no-peers] [--skip-large]
//
// The large topographic drawing is unpacked from the shared data; the other drawings are
// made here: one LWPOLYLINE of 1 M and of 5 M vertices, one TEXT whose value is 200 MB.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kTarget = 2.0;

struct Run {
  bool ok = false;
  double seconds = 0.0;
  long peakKb = 0;
};

// Runs a shell command; its wall time and the peak resident memory of the child.
Run run(const std::string& command) {
  Run r;
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return r;
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  r.peakKb = usage.ru_maxrss;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

const char* kHead =
    "0\r\nSECTION\r\n2\r\nHEADER\r\n9\r\n$ACADVER\r\n1\r\nAC1015\r\n9\r\n$HANDSEED\r\n5\r\n100\r\n"
    "0\r\nENDSEC\r\n0\r\nSECTION\r\n2\r\nENTITIES\r\n";
const char* kTail = "0\r\nENDSEC\r\n0\r\nEOF\r\n";

// One contour of `n` vertices at survey coordinates.
void writePolyline(const fs::path& file, long n) {
  std::ofstream out(file, std::ios::binary);
  out << kHead
      << "0\r\nLWPOLYLINE\r\n5\r\n20\r\n100\r\nAcDbEntity\r\n8\r\nC\r\n100\r\nAcDbPolyline\r\n"
      << "90\r\n"
      << n << "\r\n70\r\n0\r\n38\r\n100.0\r\n";
  std::string buffer;
  char line[96];
  for (long i = 0; i < n; ++i) {
    const int len = std::snprintf(line, sizeof line, "10\r\n%.3f\r\n20\r\n%.3f\r\n",
                                  500000.0 + i * 0.01, 3500000.0 + (i % 1000) * 0.5);
    buffer.append(line, static_cast<std::size_t>(len));
    if (buffer.size() > (1u << 20)) {
      out << buffer;
      buffer.clear();
    }
  }
  out << buffer << kTail;
}

// One TEXT whose value is `mb` million characters of words.
void writeText(const fs::path& file, long mb) {
  std::ofstream out(file, std::ios::binary);
  out << kHead << "0\r\nTEXT\r\n5\r\n20\r\n100\r\nAcDbEntity\r\n8\r\nT\r\n100\r\nAcDbText\r\n"
      << "10\r\n0.0\r\n20\r\n0.0\r\n30\r\n0.0\r\n40\r\n2.5\r\n1\r\n";
  std::string chunk;
  while (chunk.size() < 1000000) chunk += "contour 1250 ";
  chunk.resize(1000000);
  for (long i = 0; i < mb; ++i) out << chunk;
  out << "\r\n100\r\nAcDbText\r\n" << kTail;
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

int missed = 0;

void report(const std::string& what, const fs::path& file, const Run& ours, const Run* peer) {
  const double mb = static_cast<double>(fs::file_size(file)) / 1048576.0;
  const double ratio = ours.peakKb / 1024.0 / mb;
  const bool met = ours.ok && ratio <= kTarget;
  if (!met) ++missed;
  std::printf("%-34s %8.0f MB  %8.0f MB  %5.2f x  %6.2f s  %s", what.c_str(), mb,
              ours.peakKb / 1024.0, ratio, ours.seconds,
              !ours.ok ? "FAILED" : (met ? "met" : "MISSED"));
  if (peer && peer->ok) {
    std::printf("   ezdxf %6.0f MB (%5.2f x file)", peer->peakKb / 1024.0,
                peer->peakKb / 1024.0 / mb);
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  bool peers = true, large = true;
  fs::path keep;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help") {
      std::puts("usage: bench_peak_memory [--keep DIR] [--no-peers] [--skip-large]");
      return 0;
    } else if (a == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else if (a == "--no-peers") {
      peers = false;
    } else if (a == "--skip-large") {
      large = false;
    } else {
      std::fprintf(stderr, "bench_peak_memory: unexpected argument '%s'\n", a.c_str());
      return 2;
    }
  }
  const fs::path dir =
      keep.empty() ? fs::temp_directory_path() / ("kestra_peak_" + std::to_string(getpid())) : keep;
  fs::create_directories(dir / "home");
  // The programs' settings go to a folder of their own, not the user's.
  setenv("XDG_CONFIG_HOME", (dir / "home").c_str(), 1);
  const std::string cadtool = KESTRA_CADTOOL, ruvo = KESTRA_RUVO;
  const std::string ezdxf =
      "/usr/bin/python3 -c \"import ezdxf,sys; ezdxf.readfile(sys.argv[1])\" ";

  std::printf("%-34s %11s %11s %7s %8s\n", "run", "file", "peak", "ratio", "time");
  if (large) {
    const fs::path drawing = dir / "topo_large.dxf";
    if (!fs::exists(drawing)) {
      const std::string unpack = "xz -dc '" + std::string(KESTRA_SHARED_DATA) +
                                 "/large/topo_large.dxf.xz' > " + quoted(drawing);
      if (std::system(unpack.c_str()) != 0) {
        std::fprintf(stderr, "bench_peak_memory: cannot unpack the large drawing\n");
        return 1;
      }
    }
    // L1, the first section line of the drawing (its sidecar JSON names it).
    const std::string line = " --line 2640";
    Run peer;
    if (peers) peer = run(ezdxf + quoted(drawing) + " >/dev/null 2>&1");
    report("large drawing: cadtool info", drawing,
           run(cadtool + " info " + quoted(drawing) + " >/dev/null"), peers ? &peer : nullptr);
    report("large drawing: ruvo section", drawing,
           run(ruvo + " section " + quoted(drawing) + line + " -o " + quoted(dir / "s.txt") +
               " >/dev/null"),
           nullptr);
    report("large drawing: ruvo profile", drawing,
           run(ruvo + " profile " + quoted(drawing) + line + " --at 520000,3519000 -o " +
               quoted(dir / "profile.dxf") + " >/dev/null"),
           nullptr);
  }
  struct Made {
    std::string what;
    std::string name;
    long size;
    bool text;
  };
  const std::vector<Made> made = {
      {"1 M-vertex LWPOLYLINE: cadtool info", "lw1m.dxf", 1000000, false},
      {"5 M-vertex LWPOLYLINE: cadtool info", "lw5m.dxf", 5000000, false},
      {"200 MB text value: cadtool info", "text200.dxf", 200, true}};
  for (const Made& m : made) {
    const fs::path file = dir / m.name;
    if (!fs::exists(file)) m.text ? writeText(file, m.size) : writePolyline(file, m.size);
    Run peer;
    // ezdxf needs gigabytes and minutes for the 5 M-vertex contour: measured on the 1 M one.
    const bool withPeer = peers && m.size != 5000000;
    if (withPeer) peer = run(ezdxf + quoted(file) + " >/dev/null 2>&1");
    report(m.what, file, run(cadtool + " info " + quoted(file) + " >/dev/null"),
           withPeer ? &peer : nullptr);
  }
  std::printf("target: peak <= %.0f x the file for every run: %s\n", kTarget,
              missed == 0 ? "met" : "MISSED");
  if (keep.empty()) fs::remove_all(dir);
  return missed == 0 ? 0 : 1;
}
