// 1,000 cross-sections of 100 m along the long section line of the large drawing: the
// stations' cut (each as a picked line: cut, finish, repair), the same crossings with GEOS
// (an STR tree of the contour segments near the sections, a query per cross-section,
// intersection and distance along it), and the writing of the data files and the CSV.
//
// usage: bench_stations [DRAWING.dxf | DRAWING.dxf.xz] [--line HANDLE] [--count N]

#include <geos_c.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/session.h"
#include "ruvo/section/get_data.h"
#include "ruvo/stations/stations.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Processor time of this process: on a machine shared with other work the wall clock says
// more about the others than about the code measured.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

fs::path PlainDrawing(const fs::path& file) {
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

// Cells of a coarse grid that some cross-section's box meets: GEOS gets the segments there.
class Corridor {
 public:
  Corridor(const geom::Extents2d& box, double cell) : box_(box), cell_(cell) {
    nx_ = static_cast<long>((box.max.x - box.min.x) / cell) + 1;
    ny_ = static_cast<long>((box.max.y - box.min.y) / cell) + 1;
  }
  void Mark(const geom::Extents2d& e) {
    for (long i = Ix(e.min.x); i <= Ix(e.max.x); ++i)
      for (long j = Iy(e.min.y); j <= Iy(e.max.y); ++j) cells_.insert(i * ny_ + j);
  }
  bool Meets(const geom::Extents2d& e) const {
    for (long i = Ix(e.min.x); i <= Ix(e.max.x); ++i)
      for (long j = Iy(e.min.y); j <= Iy(e.max.y); ++j)
        if (cells_.count(i * ny_ + j)) return true;
    return false;
  }

 private:
  long Ix(double x) const {
    return std::clamp(static_cast<long>((x - box_.min.x) / cell_), 0L, nx_ - 1);
  }
  long Iy(double y) const {
    return std::clamp(static_cast<long>((y - box_.min.y) / cell_), 0L, ny_ - 1);
  }
  geom::Extents2d box_;
  double cell_;
  long nx_ = 1, ny_ = 1;
  std::set<long> cells_;
};

struct Geos {
  GEOSContextHandle_t ctx = GEOS_init_r();
  GEOSSTRtree* tree = GEOSSTRtree_create_r(ctx, 10);
  std::vector<GEOSGeometry*> owned;
  ~Geos() {
    GEOSSTRtree_destroy_r(ctx, tree);
    for (GEOSGeometry* g : owned) GEOSGeom_destroy_r(ctx, g);
    GEOS_finish_r(ctx);
  }
  GEOSGeometry* Segment(geom::Point2d a, geom::Point2d b) {
    GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx, 2, 2);
    GEOSCoordSeq_setXY_r(ctx, seq, 0, a.x, a.y);
    GEOSCoordSeq_setXY_r(ctx, seq, 1, b.x, b.y);
    return GEOSGeom_createLineString_r(ctx, seq);
  }
};

std::size_t GeosCrossings(Geos& g, const ruvo::Station& s) {
  GEOSGeometry* line = g.Segment(s.left.xy(), s.right.xy());
  std::vector<const GEOSGeometry*> candidates;
  GEOSSTRtree_query_r(
      g.ctx, g.tree, line,
      [](void* item, void* data) {
        static_cast<std::vector<const GEOSGeometry*>*>(data)->push_back(
            static_cast<const GEOSGeometry*>(item));
      },
      &candidates);
  std::vector<double> dists;
  for (const GEOSGeometry* c : candidates) {
    GEOSGeometry* hit = GEOSIntersection_r(g.ctx, line, c);
    if (hit == nullptr) continue;
    const int parts = GEOSGetNumGeometries_r(g.ctx, hit);
    for (int i = 0; i < parts; ++i) {
      const GEOSGeometry* part = GEOSGetGeometryN_r(g.ctx, hit, i);
      if (GEOSGeomTypeId_r(g.ctx, part) == GEOS_POINT && !GEOSisEmpty_r(g.ctx, part))
        dists.push_back(GEOSProject_r(g.ctx, line, part));
    }
    GEOSGeom_destroy_r(g.ctx, hit);
  }
  GEOSGeom_destroy_r(g.ctx, line);
  return dists.size();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path drawing = KESTRA_SHARED_DATA "/large/topo_large.dxf.xz";
  std::uint64_t handle = 0x2640;
  int count = 1000;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--line" && i + 1 < argc) {
      handle = std::strtoull(argv[++i], nullptr, 16);
    } else if (arg == "--count" && i + 1 < argc) {
      count = std::max(2, std::atoi(argv[++i]));
    } else if (arg == "--help") {
      std::puts("usage: bench_stations [DRAWING.dxf[.xz]] [--line HANDLE] [--count N]");
      return 0;
    } else {
      drawing = arg;
    }
  }
  const fs::path plain = PlainDrawing(drawing);
  if (plain.empty()) {
    std::fprintf(stderr, "bench_stations: cannot unpack %s\n", drawing.c_str());
    return 1;
  }
  const auto t0 = Clock::now();
  std::string error;
  auto session = cli::Session::Open(plain.string(), error, nullptr);
  if (!session) {
    std::fprintf(stderr, "bench_stations: %s\n", error.c_str());
    return 1;
  }
  cad::Database& db = session->document().database();
  db.buildIndex();
  std::printf("loaded %s in %.1f s\n", plain.c_str(), Seconds(Clock::now() - t0));

  const cad::ObjectId lineId(handle);
  ruvo::Alignment alignment;
  {
    auto line = db.openForRead<cad::Entity>(lineId);
    auto vertices = ruvo::CGetData(session->host()).BuildVertexList(line.get());
    if (!vertices) {
      std::fprintf(stderr, "bench_stations: %llX is no centreline\n",
                   static_cast<unsigned long long>(handle));
      return 1;
    }
    alignment.vertices = std::move(*vertices);
  }
  ruvo::CDocData settings;
  ruvo::StationOptions options;
  options.unitMetres = settings.XYScale / 1000;
  options.every = alignment.length() * options.unitMetres / (count - 1) * (1 - 1e-12);
  options.left = options.right = 50;
  const std::vector<ruvo::Station> stations = ruvo::PlaceStations(alignment, options);

  // GEOS: every contour segment near a cross-section, each its own line string in the tree
  Geos g;
  Corridor corridor(db.updateExtents().xy(), 100);
  for (const ruvo::Station& s : stations)
    corridor.Mark(geom::Extents2d::of(s.left.xy(), s.right.xy()));
  std::size_t segments = 0;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    const auto* p = cad::objectCast<cad::LwPolyline>(&e);
    if (!p || p->vertexCount() < 2) return true;
    const std::size_t n = p->vertexCount();
    for (std::size_t i = 0; i + 1 < n + (p->isClosed() ? 1 : 0); ++i) {
      const geom::Point2d a = p->pointAt(i), b = p->pointAt((i + 1) % n);
      if (!corridor.Meets(geom::Extents2d::of(a, b))) continue;
      GEOSGeometry* seg = g.Segment(a, b);
      g.owned.push_back(seg);
      GEOSSTRtree_insert_r(g.ctx, g.tree, seg, seg);
      ++segments;
    }
    return true;
  });
  {  // the tree builds on its first query, outside the timing
    GEOSGeometry* probe = g.Segment(stations[0].left.xy(), stations[0].right.xy());
    GEOSSTRtree_query_r(
        g.ctx, g.tree, probe, [](void*, void*) {}, nullptr);
    GEOSGeom_destroy_r(g.ctx, probe);
  }

  const auto a = Clock::now();
  const double aCpu = CpuSeconds();
  std::vector<ruvo::CrossSection> sections =
      ruvo::CutStations(session->host(), settings, stations, lineId, "断面线");
  const double ours = Seconds(Clock::now() - a), oursCpu = CpuSeconds() - aCpu;
  std::size_t ourPoints = 0;
  for (const auto& s : sections)
    for (const auto& p : s.data.pointList) ourPoints += p.nType == ruvo::PT_CROSS;

  const auto b = Clock::now();
  const double bCpu = CpuSeconds();
  std::size_t theirPoints = 0;
  for (const ruvo::Station& s : stations) theirPoints += GeosCrossings(g, s);
  const double theirs = Seconds(Clock::now() - b), theirsCpu = CpuSeconds() - bCpu;

  const fs::path out = fs::temp_directory_path() / "kestra-bench-stations";
  fs::remove_all(out);
  const auto w = Clock::now();
  const double wCpu = CpuSeconds();
  if (!ruvo::WriteStationFiles(sections, out, options.unitMetres, error)) {
    std::fprintf(stderr, "bench_stations: %s\n", error.c_str());
    return 1;
  }
  const double writing = Seconds(Clock::now() - w), writingCpu = CpuSeconds() - wCpu;
  fs::remove_all(out);

  std::printf("%zu cross-sections of 100 m along %llX (%.0f m), %zu contour segments for GEOS\n",
              stations.size(), static_cast<unsigned long long>(handle),
              alignment.length() * options.unitMetres, segments);
  std::printf("crossings: stations %zu (after thinning), GEOS %zu\n", ourPoints, theirPoints);
  std::printf(
      "cut: stations %.3f s, GEOS %.3f s, ratio %.2fx (processor time %.3f s, %.3f s, "
      "ratio %.2fx)\n",
      ours, theirs, ours > 0 ? theirs / ours : 0.0, oursCpu, theirsCpu,
      oursCpu > 0 ? theirsCpu / oursCpu : 0.0);
  std::printf("writing %zu data files and the CSV: %.3f s (processor time %.3f s)\n",
              sections.size(), writing, writingCpu);
  std::printf("targets: cut <= 1 s %s, >= 5x GEOS %s, writing <= 1 s %s\n",
              ours <= 1 ? "met" : "MISSED", ours > 0 && theirs / ours >= 5 ? "met" : "MISSED",
              writing <= 1 ? "met" : "MISSED");
  return 0;
}
