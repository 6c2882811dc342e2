// Time of the command "ruvo" the first time it runs, on a registry hive that holds none of
// the settings yet (so every value is written back): the plug-in module loaded by the
// module loader, a main window on the offscreen platform. The peer is the same 26 settings
// stored one write each, as the settings store did before it batched them.
//
// usage: bench_open_palette [--runs N] [--module FILE]

#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/headless/headless_host.h"
#include "platform/ui/main_frame.h"
#include "platform/win/registry.h"
#include "ruvo/settings/settings_store.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void RemoveHive() {
  std::error_code ec;
  fs::remove(win::Registry::defaultHivePath(), ec);
}

// One "ruvo" in a fresh host; nullopt when the module does not load.
std::optional<double> TimeOpenPalette(const std::string& module, const fs::path& userFolder) {
  QMainWindow window;
  window.setCentralWidget(new QWidget);
  window.resize(1100, 800);
  window.show();
  ui::SimpleMainFrame frame(&window);
  ui::setMainFrame(&frame);
  std::ostringstream out;
  win::Registry registry(win::Registry::defaultHivePath());
  std::optional<double> ms;
  {
    host::headless::HeadlessOptions options;
    options.output = &out;
    options.userDataFolder = userFolder.string() + "/";
    options.trustedFolders = fs::path(module).parent_path().string();
    options.registry = &registry;
    host::headless::HeadlessHost host(std::move(options));
    if (host.moduleLoader().loadModule(module).ok()) {
      host.documents().newDocument();
      QCoreApplication::processEvents();
      RemoveHive();  // the new drawing read the settings; the palette must find none
      const auto start = Clock::now();
      host.typeCommand("ruvo");
      QCoreApplication::processEvents();
      ms = Millis(Clock::now() - start);
    }
  }
  ui::setMainFrame(nullptr);
  return ms;
}

// The settings written back one by one, each its own locked transaction on the file.
double TimeSingleWrites() {
  RemoveHive();
  win::Registry registry(win::Registry::defaultHivePath());
  const ruvo::CDocData doc;
  const auto start = Clock::now();
  win::RegKey key;
  registry.createKey(ruvo::kSettingsKey, key);
  const char* numbers[] = {"AddNum", "XYScale",  "XScale",     "YScale",    "txtX",
                           "txtY",   "RodWidth", "FilterHMax", "FilterHMin"};
  const char* flags[] = {"bXYEqual",     "bXScale",       "bLineType",       "bReverse",
                         "bDistAndHigh", "bKneePosition", "bRemarkPosition", "bDirection1",
                         "bDirection2",  "SideDistance",  "KneePnt",         "FilterHeight",
                         "AutoAssign",   "Interval",      "bSetHigh",        "PltState"};
  for (const char* n : numbers) key.setString(n, "1.0");
  key.setString("strPmName", doc.strPmName);
  for (const char* f : flags) key.setDword(f, 0);
  return Millis(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  std::string module = std::string(KESTRA_BIN_DIR) + "/ruvo2443x64.so";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf(
          "usage: bench_open_palette [--runs N] [--module FILE]\n"
          "Times the first \"ruvo\" (palette opening with the settings read) on a fresh\n"
          "registry hive against the settings stored one write each.\n");
      return 0;
    }
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) {
      module = argv[++i];
    } else {
      std::fprintf(stderr, "bench_open_palette: unknown argument %s (see --help)\n", argv[i]);
      return 2;
    }
  }
  std::string pattern = (fs::temp_directory_path() / "kestra-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::fprintf(stderr, "bench_open_palette: cannot make a temporary folder\n");
    return 1;
  }
  const fs::path root = pattern;
  ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  std::vector<double> open, single;
  for (int i = 0; i < runs; ++i) {
    auto ms = TimeOpenPalette(module, root / "user");
    if (!ms) {
      std::fprintf(stderr, "bench_open_palette: cannot load %s\n", module.c_str());
      fs::remove_all(root);
      return 1;
    }
    open.push_back(*ms);
    single.push_back(TimeSingleWrites());
  }
  fs::remove_all(root);
  const double o = Median(open), s = Median(single);
  std::printf("runs: %d (medians)\n", runs);
  std::printf("first \"ruvo\" incl. ReadSettings, fresh hive: %8.1f ms\n", o);
  std::printf("peer: the settings as single writes:         %8.1f ms\n", s);
  std::printf("ratio peer / ours: %.1f\n", o > 0 ? s / o : 0.0);
  std::printf("target <= 100 ms: %s\n", o <= 100.0 ? "met" : "NOT met");
  return 0;
}
