// 1,000 cross-sections of 100 m along the long section line of the large drawing: the
// stations' cut (each as a picked line: cut, finish, repair) against the same crossings
// with GEOS, and the writing of the data files and the CSV. Two GEOS strategies run on one
// STR tree of the contour segments near the sections:
//   segments  every candidate of the query intersected with the cross-section;
//   prepared  the cross-section prepared, only a candidate it meets intersected (segment
//             against segment): the fastest way GEOS has for these crossings.
// (A tree of whole contour line strings, intersected whole, takes tens of seconds here.)
// The same cross-sections cut one by one as picked lines show what the batch saves. The
// ratio compares processor times against the faster strategy; each side runs
// `--repeat` times and its fastest run counts.
//
// usage: bench_stations [DRAWING.dxf | DRAWING.dxf.xz] [--line HANDLE] [--count N]
//                       [--repeat R] [--stations-only]

#include <geos_c.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "../common/geos_peer.h"
#include "../common/plain_drawing.h"
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

using bench::PlainDrawing;

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

using bench::Collect;
using bench::Geos;

// A tree of GEOS geometries, built on its first query (made here, outside any timing).
class GeosTree {
 public:
  explicit GeosTree(Geos& g) : g_(g), tree_(GEOSSTRtree_create_r(g.ctx, 10)) {}
  ~GeosTree() { GEOSSTRtree_destroy_r(g_.ctx, tree_); }
  GeosTree(const GeosTree&) = delete;
  GeosTree& operator=(const GeosTree&) = delete;
  void Insert(GEOSGeometry* item) {
    g_.owned.push_back(item);
    GEOSSTRtree_insert_r(g_.ctx, tree_, item, item);
    ++size_;
  }
  void Build(geom::Point2d a, geom::Point2d b) {
    GEOSGeometry* probe = g_.Segment(a, b);
    GEOSSTRtree_query_r(
        g_.ctx, tree_, probe, [](void*, void*) {}, nullptr);
    GEOSGeom_destroy_r(g_.ctx, probe);
  }
  void Query(const GEOSGeometry* box, std::vector<const GEOSGeometry*>& out) const {
    out.clear();
    GEOSSTRtree_query_r(g_.ctx, tree_, box, Collect, &out);
  }
  std::size_t size() const { return size_; }

 private:
  Geos& g_;
  GEOSSTRtree* tree_;
  std::size_t size_ = 0;
};

// The distances along `line` of the points of an intersection result.
void PointsAlong(Geos& g, const GEOSGeometry* line, GEOSGeometry* hit, std::vector<double>& dists) {
  if (hit == nullptr) return;
  const int parts = GEOSGetNumGeometries_r(g.ctx, hit);
  for (int i = 0; i < parts; ++i) {
    const GEOSGeometry* part = GEOSGetGeometryN_r(g.ctx, hit, i);
    if (GEOSGeomTypeId_r(g.ctx, part) == GEOS_POINT && !GEOSisEmpty_r(g.ctx, part))
      dists.push_back(GEOSProject_r(g.ctx, line, part));
  }
  GEOSGeom_destroy_r(g.ctx, hit);
}

// Strategy "segments": a tree of single segments, every candidate intersected.
std::size_t SegmentsCrossings(Geos& g, const GeosTree& tree, const ruvo::Station& s,
                              std::vector<const GEOSGeometry*>& candidates,
                              std::vector<double>& dists) {
  GEOSGeometry* line = g.Segment(s.left.xy(), s.right.xy());
  tree.Query(line, candidates);
  dists.clear();
  for (const GEOSGeometry* c : candidates)
    PointsAlong(g, line, GEOSIntersection_r(g.ctx, line, c), dists);
  GEOSGeom_destroy_r(g.ctx, line);
  std::sort(dists.begin(), dists.end());
  return dists.size();
}

// Strategy "prepared": a tree of single segments and the cross-section prepared; only a
// candidate the prepared line meets is intersected, segment against segment.
std::size_t PreparedCrossings(Geos& g, const GeosTree& tree, const ruvo::Station& s,
                              std::vector<const GEOSGeometry*>& candidates,
                              std::vector<double>& dists) {
  const geom::Point2d a = s.left.xy(), b = s.right.xy();
  GEOSGeometry* line = g.Segment(a, b);
  const GEOSPreparedGeometry* prepared = GEOSPrepare_r(g.ctx, line);
  tree.Query(line, candidates);
  dists.clear();
  const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
  for (const GEOSGeometry* c : candidates) {
    if (GEOSPreparedIntersects_r(g.ctx, prepared, c) != 1) continue;
    const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(g.ctx, c);
    double x0, y0, x1, y1, cx, cy;
    GEOSCoordSeq_getXY_r(g.ctx, seq, 0, &x0, &y0);
    GEOSCoordSeq_getXY_r(g.ctx, seq, 1, &x1, &y1);
    if (GEOSSegmentIntersection_r(g.ctx, a.x, a.y, b.x, b.y, x0, y0, x1, y1, &cx, &cy) != 1)
      continue;
    dists.push_back(((cx - a.x) * dx + (cy - a.y) * dy) / length);
  }
  GEOSPreparedGeom_destroy_r(g.ctx, prepared);
  GEOSGeom_destroy_r(g.ctx, line);
  std::sort(dists.begin(), dists.end());
  return dists.size();
}

// Wall and processor time of the fastest of `repeats` runs.
struct Timing {
  double wall = 1e300, cpu = 1e300;
};
template <class F>
Timing Fastest(int repeats, F&& run) {
  Timing best;
  for (int r = 0; r < repeats; ++r) {
    const auto t = Clock::now();
    const double c = CpuSeconds();
    run();
    best.wall = std::min(best.wall, Seconds(Clock::now() - t));
    best.cpu = std::min(best.cpu, CpuSeconds() - c);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path drawing = KESTRA_SHARED_DATA "/large/topo_large.dxf.xz";
  std::uint64_t handle = 0x2640;
  int count = 1000;
  int repeats = 3;
  bool stationsOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--line" && i + 1 < argc) {
      handle = std::strtoull(argv[++i], nullptr, 16);
    } else if (arg == "--count" && i + 1 < argc) {
      count = std::max(2, std::atoi(argv[++i]));
    } else if (arg == "--repeat" && i + 1 < argc) {
      repeats = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--stations-only") {  // for a profiler: no GEOS, no writing
      stationsOnly = true;
    } else if (arg == "--help") {
      std::puts(
          "usage: bench_stations [DRAWING.dxf[.xz]] [--line HANDLE] [--count N] [--repeat R] "
          "[--stations-only]");
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
  db.modelIndex().build();
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

  // GEOS gets the contours near a cross-section: every segment of them in one tree, every
  // whole contour in another.
  Geos g;
  GeosTree segmentTree(g);
  const double setUpStart = CpuSeconds();
  Corridor corridor(db.modelExtents().update().xy(), 100);
  for (const ruvo::Station& s : stations)
    corridor.Mark(geom::Extents2d::of(s.left.xy(), s.right.xy()));
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    const auto* p = cad::objectCast<cad::LwPolyline>(&e);
    if (!p || p->vertexCount() < 2) return true;
    const std::size_t n = p->vertexCount();
    for (std::size_t i = 0; i + 1 < n + (p->isClosed() ? 1 : 0); ++i) {
      const geom::Point2d a = p->pointAt(i), b = p->pointAt((i + 1) % n);
      if (corridor.Meets(geom::Extents2d::of(a, b))) segmentTree.Insert(g.Segment(a, b));
    }
    return true;
  });
  segmentTree.Build(stations[0].left.xy(), stations[0].right.xy());
  // Not part of the comparison (our index, too, is built before the timing): told so that
  // the reader sees what the strongest strategy needs before its first crossing.
  const double geosSetUp = CpuSeconds() - setUpStart;

  std::vector<ruvo::CrossSection> sections;
  const Timing ours = Fastest(repeats, [&] {
    sections = ruvo::CutStations(session->host(), settings, stations, lineId, "断面线");
  });
  if (stationsOnly) {
    std::printf("stations: %.3f s (processor time %.3f s)\n", ours.wall, ours.cpu);
    return 0;
  }
  // The same cross-sections cut one by one as picked lines (what the stations' batch saves).
  std::size_t onePoints = 0;
  const Timing oneByOne = Fastest(repeats, [&] {
    onePoints = 0;
    ruvo::CGetData engine(session->host());
    for (const ruvo::Station& s : stations) {
      ruvo::CDocData doc = settings;
      ruvo::CPntList v0, v1;
      v0.ptPos = s.left;
      v1.nIndex = 1;
      v1.ptPos = s.right;
      v1.dDist = ruvo::PlanDistance(s.left, s.right);
      doc.vertexList = {v0, v1};
      engine.CutSection(doc, cad::ObjectId(), ruvo::kModeCommon);
      ruvo::FinishPointList(doc);
      if (doc.pointList.size() >= 2) {
        ruvo::RepairHeights(doc, ruvo::Edition::Current);
        ruvo::MarkStraightKnees(doc);
      }
      for (const auto& p : doc.pointList) onePoints += p.nType == ruvo::PT_CROSS;
    }
  });
  std::size_t ourPoints = 0;
  for (const auto& s : sections)
    for (const auto& p : s.data.pointList) ourPoints += p.nType == ruvo::PT_CROSS;

  struct Strategy {
    const char* name;
    std::size_t (*crossings)(Geos&, const GeosTree&, const ruvo::Station&,
                             std::vector<const GEOSGeometry*>&, std::vector<double>&);
    const GeosTree* tree;
    Timing time;
    std::size_t points = 0;
  };
  Strategy strategies[] = {{"segments", SegmentsCrossings, &segmentTree, {}},
                           {"prepared", PreparedCrossings, &segmentTree, {}}};
  std::vector<const GEOSGeometry*> candidates;
  std::vector<double> dists;
  for (Strategy& st : strategies) {
    st.time = Fastest(repeats, [&] {
      st.points = 0;
      for (const ruvo::Station& s : stations)
        st.points += st.crossings(g, *st.tree, s, candidates, dists);
    });
  }
  const Strategy* best = &strategies[0];
  for (const Strategy& st : strategies)
    if (st.time.cpu < best->time.cpu) best = &st;

  const fs::path out = fs::temp_directory_path() / "kestra-bench-stations";
  const Timing writing = Fastest(repeats, [&] {
    fs::remove_all(out);
    if (!ruvo::WriteStationFiles(sections, out, options.unitMetres, error)) {
      std::fprintf(stderr, "bench_stations: %s\n", error.c_str());
      std::exit(1);
    }
  });
  fs::remove_all(out);

  std::printf(
      "%zu cross-sections of 100 m along %llX (%.0f m); GEOS has %zu contour segments (the "
      "ones near the sections, set up in %.3f s of processor time, outside the timing); "
      "fastest of %d runs each\n",
      stations.size(), static_cast<unsigned long long>(handle),
      alignment.length() * options.unitMetres, segmentTree.size(), geosSetUp, repeats);
  std::printf("stations: %zu crossings (after thinning), %.3f s (processor time %.3f s)\n",
              ourPoints, ours.wall, ours.cpu);
  std::printf(
      "one by one as picked lines: %zu crossings, %.3f s (processor time %.3f s), %.2fx the "
      "batch's time\n",
      onePoints, oneByOne.wall, oneByOne.cpu, ours.cpu > 0 ? oneByOne.cpu / ours.cpu : 0.0);
  for (const Strategy& st : strategies) {
    std::printf("GEOS %-9s %zu crossings, %.3f s (processor time %.3f s), ratio %.2fx\n",
                (std::string(st.name) + ":").c_str(), st.points, st.time.wall, st.time.cpu,
                ours.cpu > 0 ? st.time.cpu / ours.cpu : 0.0);
  }
  // Processor times are compared: on a machine shared with other work the wall clock says
  // more about the others than about the code measured. The target is stated against GEOS
  // intersecting the candidates of a segment tree ("segments"); the faster strategy is
  // judged against it too and printed beside it.
  auto ratioOf = [&](const Strategy& st) { return ours.cpu > 0 ? st.time.cpu / ours.cpu : 0.0; };
  const double named = ratioOf(strategies[0]), fastest = ratioOf(*best);
  std::printf("writing %zu data files and the CSV: %.3f s (processor time %.3f s)\n",
              sections.size(), writing.wall, writing.cpu);
  std::printf(
      "targets: cut <= 1 s %s (%.3f s), >= 5x GEOS on a segment tree (segments) %s (%.2fx), "
      "writing <= 1 s %s (%.3f s); against the fastest GEOS (%s) %.2fx, 5x %s\n",
      ours.wall <= 1 ? "met" : "MISSED", ours.wall, named >= 5 ? "met" : "MISSED", named,
      writing.wall <= 1 ? "met" : "MISSED", writing.wall, best->name, fastest,
      fastest >= 5 ? "met" : "MISSED");
  return 0;
}
