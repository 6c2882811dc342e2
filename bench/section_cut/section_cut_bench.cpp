// One acquisition (pick, cut, finish, repair) against the same crossings computed with GEOS,
// on the large topographic drawing and on a ~30 MB drawing clipped from it here, for short
// sections and for sections that span the whole drawing. Two GEOS strategies run:
//   lines     an STRtree of whole contour line strings, intersection per candidate;
//   segments  an STRtree of single contour segments and the leg prepared: a candidate is
//             tested with the prepared leg, and only a hit is intersected (the strongest
//             way GEOS offers for many short queries against many long lines).
// Then the fixed cost of one acquisition on the small sample drawing: a section that crosses
// nothing, so that host, lock, pick, view and repair are all that is timed.
//
// usage: bench_section_cut [LARGE.dxf | LARGE.dxf.xz] [--sections N] [--seed S]
//                          [--clip-mb MB] [--sample SAMPLE.dxf] [--fixed-cost-only]

#include <geos_c.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "../common/geos_peer.h"
#include "../common/plain_drawing.h"
#include "cli/session.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/host/editor.h"
#include "ruvo/section/get_data.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Leg {
  geom::Point2d a, b;
};
using Section = std::vector<Leg>;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

using bench::PlainDrawing;

// Sections of three straight legs, 1 to 5 km each, kept inside the drawing's extents.
std::vector<Section> ShortSections(const geom::Extents2d& box, int count, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> ux(box.min.x, box.max.x), uy(box.min.y, box.max.y);
  std::uniform_real_distribution<double> len(1000.0, 5000.0), turn(0.0, 2.0 * M_PI);
  std::vector<Section> sections;
  while (static_cast<int>(sections.size()) < count) {
    Section s;
    geom::Point2d p{ux(rng), uy(rng)};
    for (int leg = 0; leg < 3; ++leg) {
      const double a = turn(rng), l = len(rng);
      const geom::Point2d q{p.x + l * std::cos(a), p.y + l * std::sin(a)};
      if (!box.contains(q)) break;
      s.push_back({p, q});
      p = q;
    }
    if (s.size() == 3) sections.push_back(s);
  }
  return sections;
}

// Sections from one side of the drawing to the opposite one: two legs through a point
// near the middle, each reaching an edge.
std::vector<Section> SpanningSections(const geom::Extents2d& box, int count, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(0.02, 0.98), mid(0.3, 0.7);
  const auto at = [&](double fx, double fy) {
    return geom::Point2d{box.min.x + fx * box.width(), box.min.y + fy * box.height()};
  };
  std::vector<Section> sections;
  for (int i = 0; i < count; ++i) {
    const geom::Point2d m = at(mid(rng), mid(rng));
    if (i % 2 == 0) {  // west to east
      sections.push_back({{at(0.0, u(rng)), m}, {m, at(1.0, u(rng))}});
    } else {  // south to north
      sections.push_back({{at(u(rng), 0.0), m}, {m, at(u(rng), 1.0)}});
    }
  }
  return sections;
}

// The contours as point lists (lightweight polylines and lines).
std::vector<std::vector<geom::Point2d>> Contours(const cad::Database& db) {
  std::vector<std::vector<geom::Point2d>> out;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    std::vector<geom::Point2d> pts;
    if (auto* p = cad::objectCast<cad::LwPolyline>(&e)) {
      pts.assign(p->points().begin(), p->points().end());
      if (p->isClosed() && !pts.empty()) pts.push_back(pts.front());
    } else if (auto* l = cad::objectCast<cad::Line>(&e)) {
      pts = {l->start().xy(), l->end().xy()};
    }
    if (pts.size() >= 2) out.push_back(std::move(pts));
    return true;
  });
  return out;
}

using bench::Collect;
using bench::Geos;

// Strategy "lines": a tree of whole line strings.
class GeosLines {
 public:
  GeosLines(Geos& g, const std::vector<std::vector<geom::Point2d>>& contours)
      : g_(g), tree_(GEOSSTRtree_create_r(g.ctx, 10)) {
    for (const auto& c : contours) {
      GEOSGeometry* ls = g.LineString(c.data(), c.size());
      g.owned.push_back(ls);
      GEOSSTRtree_insert_r(g.ctx, tree_, ls, ls);
    }
  }
  ~GeosLines() { GEOSSTRtree_destroy_r(g_.ctx, tree_); }
  GeosLines(const GeosLines&) = delete;
  GeosLines& operator=(const GeosLines&) = delete;

  std::size_t Crossings(const Section& s) {
    std::vector<double> dists;
    double start = 0.0;
    for (const Leg& leg : s) {
      GEOSGeometry* line = g_.Segment(leg.a, leg.b);
      std::vector<const GEOSGeometry*> candidates;
      GEOSSTRtree_query_r(g_.ctx, tree_, line, Collect, &candidates);
      for (const GEOSGeometry* c : candidates) {
        GEOSGeometry* hit = GEOSIntersection_r(g_.ctx, line, c);
        if (hit == nullptr) continue;
        const int parts = GEOSGetNumGeometries_r(g_.ctx, hit);
        for (int i = 0; i < parts; ++i) {
          const GEOSGeometry* part = GEOSGetGeometryN_r(g_.ctx, hit, i);
          if (GEOSGeomTypeId_r(g_.ctx, part) != GEOS_POINT) continue;
          dists.push_back(start + GEOSProject_r(g_.ctx, line, part));
        }
        GEOSGeom_destroy_r(g_.ctx, hit);
      }
      GEOSGeom_destroy_r(g_.ctx, line);
      start += geom::distance(leg.a, leg.b);
    }
    std::sort(dists.begin(), dists.end());
    return dists.size();
  }

 private:
  Geos& g_;
  GEOSSTRtree* tree_;
};

// Strategy "segments": a tree of single segments, the leg prepared.
class GeosSegments {
 public:
  GeosSegments(Geos& g, const std::vector<std::vector<geom::Point2d>>& contours)
      : g_(g), tree_(GEOSSTRtree_create_r(g.ctx, 10)) {
    for (const auto& c : contours) {
      for (std::size_t i = 0; i + 1 < c.size(); ++i) {
        GEOSGeometry* seg = g.Segment(c[i], c[i + 1]);
        g.owned.push_back(seg);
        GEOSSTRtree_insert_r(g.ctx, tree_, seg, seg);
        ++segments_;
      }
    }
  }
  ~GeosSegments() { GEOSSTRtree_destroy_r(g_.ctx, tree_); }
  GeosSegments(const GeosSegments&) = delete;
  GeosSegments& operator=(const GeosSegments&) = delete;
  std::size_t segments() const { return segments_; }

  std::size_t Crossings(const Section& s) {
    std::vector<double> dists;
    double start = 0.0;
    std::vector<const GEOSGeometry*> candidates;
    for (const Leg& leg : s) {
      GEOSGeometry* line = g_.Segment(leg.a, leg.b);
      const GEOSPreparedGeometry* prepared = GEOSPrepare_r(g_.ctx, line);
      candidates.clear();
      GEOSSTRtree_query_r(g_.ctx, tree_, line, Collect, &candidates);
      const double dx = leg.b.x - leg.a.x, dy = leg.b.y - leg.a.y;
      const double length = std::hypot(dx, dy);
      for (const GEOSGeometry* c : candidates) {
        if (GEOSPreparedIntersects_r(g_.ctx, prepared, c) != 1) continue;
        const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(g_.ctx, c);
        double x0, y0, x1, y1, cx, cy;
        GEOSCoordSeq_getXY_r(g_.ctx, seq, 0, &x0, &y0);
        GEOSCoordSeq_getXY_r(g_.ctx, seq, 1, &x1, &y1);
        if (GEOSSegmentIntersection_r(g_.ctx, leg.a.x, leg.a.y, leg.b.x, leg.b.y, x0, y0, x1, y1,
                                      &cx, &cy) != 1) {
          continue;
        }
        dists.push_back(start + ((cx - leg.a.x) * dx + (cy - leg.a.y) * dy) / length);
      }
      GEOSPreparedGeom_destroy_r(g_.ctx, prepared);
      GEOSGeom_destroy_r(g_.ctx, line);
      start += length;
    }
    std::sort(dists.begin(), dists.end());
    return dists.size();
  }

 private:
  Geos& g_;
  GEOSSTRtree* tree_;
  std::size_t segments_ = 0;
};

// One acquisition of the section drawn as a polyline in the drawing; its time and crossings.
double Acquire(cli::Session& session, const Section& s, std::size_t& crossings) {
  host::headless::HeadlessHost& host = session.host();
  cad::Database& db = session.document().database();
  auto pline = std::make_unique<cad::LwPolyline>();
  pline->addVertex({s[0].a});
  for (const Leg& leg : s) pline->addVertex({leg.b});
  pline->setLayer("断面线");
  const cad::ObjectId id = db.appendToModelSpace(std::move(pline)).value();
  host.script().push(host::headless::ScriptAnswer::pickHandle(id.handle()));
  ruvo::CDocData doc;
  ruvo::CGetData getData(host);
  const auto a = Clock::now();
  getData.AcquireSection(doc, ruvo::kModeCommon);
  const double ms = Millis(Clock::now() - a);
  for (const ruvo::CDataStruct& p : doc.pointList) crossings += p.nType == ruvo::PT_CROSS;
  db.erase(id);
  return ms;
}

struct Figures {
  double ours = 0, lines = 0, segments = 0;
};

Figures RunSections(cli::Session& session, GeosLines& lines, GeosSegments& segments,
                    const std::vector<Section>& sections, const char* what) {
  std::vector<double> ours, a, b;
  std::size_t ourPoints = 0, linePoints = 0, segmentPoints = 0;
  for (const Section& s : sections) {
    ours.push_back(Acquire(session, s, ourPoints));
    auto t = Clock::now();
    linePoints += lines.Crossings(s);
    a.push_back(Millis(Clock::now() - t));
    t = Clock::now();
    segmentPoints += segments.Crossings(s);
    b.push_back(Millis(Clock::now() - t));
  }
  Figures f{Median(ours), Median(a), Median(b)};
  const double best = std::min(f.lines, f.segments);
  std::printf("  %s (%zu): crossings ours %zu (after thinning), GEOS lines %zu, segments %zu\n",
              what, sections.size(), ourPoints, linePoints, segmentPoints);
  std::printf(
      "    median ms per section: ours %.3f | GEOS lines %.3f (%.1fx) | GEOS segments %.3f "
      "(%.1fx) | best GEOS / ours %.2fx %s\n",
      f.ours, f.lines, f.lines / f.ours, f.segments, f.segments / f.ours, best / f.ours,
      best / f.ours >= 3.0 ? "(>= 3x: ok)" : "(< 3x: BELOW TARGET)");
  return f;
}

void RunDrawing(cli::Session& session, const char* label, int count, unsigned seed) {
  cad::Database& db = session.document().database();
  db.modelIndex().build();
  const auto contours = Contours(db);
  Geos g;
  auto t = Clock::now();
  GeosLines lines(g, contours);
  GeosSegments segments(g, contours);
  const geom::Extents2d box = db.modelExtents().update().xy();
  std::printf("%s: %zu objects, %zu contour line strings, %zu segments (GEOS set-up %.1f s)\n",
              label, db.objectCount(), contours.size(), segments.segments(),
              Millis(Clock::now() - t) / 1000);
  // Both trees build on their first query, as the database's index was built above.
  lines.Crossings({{box.min, box.min}});
  segments.Crossings({{box.min, box.min}});
  RunSections(session, lines, segments, ShortSections(box, count, seed),
              "sections of three legs, 1-5 km each");
  RunSections(session, lines, segments, SpanningSections(box, std::max(4, count / 10), seed),
              "sections spanning the whole drawing");
}

// The middle of the drawing, as large as makes a file of about `megabytes`: contours
// that leave it are cut at its edge (each stretch inside kept as a polyline of its own),
// everything else outside is erased, and the rest written out.
fs::path Clip(cli::Session& session, std::uintmax_t fileSize, double megabytes) {
  cad::Database& db = session.document().database();
  const geom::Extents2d all = db.modelExtents().update().xy();
  const double side = std::sqrt(std::min(1.0, megabytes * 1e6 / static_cast<double>(fileSize)));
  const geom::Point2d c = all.centre();
  const geom::Vector2d half{all.width() * side / 2, all.height() * side / 2};
  const geom::Extents2d keep{c - half, c + half};
  std::vector<cad::ObjectId> outside;
  std::vector<std::unique_ptr<cad::LwPolyline>> pieces;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    const geom::Extents2d b = db.modelExtents().of(e.id()).xy();
    if (!b.empty() && keep.contains(b)) return true;
    outside.push_back(e.id());
    const auto* p = cad::objectCast<cad::LwPolyline>(&e);
    if (p == nullptr || b.empty() || !keep.intersects(b)) return true;
    std::unique_ptr<cad::LwPolyline> piece;
    for (std::size_t i = 0; i < p->vertexCount(); ++i) {
      if (!keep.contains(p->pointAt(i))) {
        if (piece && piece->vertexCount() >= 2) pieces.push_back(std::move(piece));
        piece.reset();
        continue;
      }
      if (!piece) {
        piece = std::make_unique<cad::LwPolyline>();
        piece->setLayer(p->layer());
        piece->setColour(p->colour());
        piece->setElevation(p->elevation());
      }
      const bool next = i + 1 < p->vertexCount() && keep.contains(p->pointAt(i + 1));
      piece->addVertex({p->pointAt(i), next ? p->bulgeAt(i) : 0.0});
    }
    if (piece && piece->vertexCount() >= 2) pieces.push_back(std::move(piece));
    return true;
  });
  for (cad::ObjectId id : outside) db.erase(id);
  for (auto& piece : pieces) db.appendToModelSpace(std::move(piece));
  const fs::path out =
      fs::temp_directory_path() / ("kestra_bench_clipped_" + std::to_string(getpid()) + ".dxf");
  dxf::WriteReport report;
  if (dxf::writeDrawing(db, out, report) != cad::Status::Ok) return {};
  return out;
}

// A section that crosses nothing, over and over: what one acquisition costs besides the cut.
void FixedCost(const fs::path& sample, int count) {
  std::string error;
  auto session = cli::Session::Open(sample.string(), error, nullptr);
  if (!session) {
    std::fprintf(stderr, "bench_section_cut: %s\n", error.c_str());
    return;
  }
  cad::Database& db = session->document().database();
  db.modelIndex().build();
  const geom::Extents2d box = db.modelExtents().update().xy();
  // Beyond the drawing's corner: nothing there to cross.
  const geom::Point2d p{box.max.x + 100.0, box.max.y + 100.0};
  const Section s{{p, {p.x + 50.0, p.y}}, {{p.x + 50.0, p.y}, {p.x + 50.0, p.y + 50.0}}};
  std::vector<double> times;
  std::size_t crossings = 0;
  for (int i = 0; i < count; ++i) times.push_back(Acquire(*session, s, crossings));
  const double ms = Median(times);
  std::printf("fixed cost of one acquisition on %s: median %.4f ms (target < 0.1 ms: %s)\n",
              sample.filename().c_str(), ms, ms < 0.1 ? "ok" : "ABOVE TARGET");
}

}  // namespace

int main(int argc, char** argv) {
  fs::path drawing = KESTRA_SHARED_DATA "/large/topo_large.dxf.xz";
  fs::path sample = KESTRA_SHARED_DATA "/topo/topo_small.dxf";
  int count = 100;
  unsigned seed = 20240607;
  double clipMb = 30.0;
  bool fixedOnly = false;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--sections" && i + 1 < argc) {
      count = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--seed" && i + 1 < argc) {
      seed = static_cast<unsigned>(std::atoi(argv[++i]));
    } else if (arg == "--clip-mb" && i + 1 < argc) {
      clipMb = std::atof(argv[++i]);
    } else if (arg == "--sample" && i + 1 < argc) {
      sample = argv[++i];
    } else if (arg == "--fixed-cost-only") {
      fixedOnly = true;
    } else if (arg == "--help") {
      std::puts(
          "usage: bench_section_cut [LARGE.dxf[.xz]] [--sections N] [--seed S] [--clip-mb MB] "
          "[--sample SAMPLE.dxf] [--fixed-cost-only]");
      return 0;
    } else {
      drawing = arg;
    }
  }
  FixedCost(sample, 2000);
  if (fixedOnly) return 0;

  const fs::path plain = PlainDrawing(drawing);
  if (plain.empty()) {
    std::fprintf(stderr, "bench_section_cut: cannot unpack %s\n", drawing.c_str());
    return 1;
  }
  fs::path clipped;
  {
    const auto t0 = Clock::now();
    std::string error;
    auto session = cli::Session::Open(plain.string(), error, nullptr);
    if (!session) {
      std::fprintf(stderr, "bench_section_cut: %s\n", error.c_str());
      return 1;
    }
    std::printf("loaded %s (%.0f MB) in %.1f s\n", plain.c_str(), fs::file_size(plain) / 1e6,
                Millis(Clock::now() - t0) / 1000);
    RunDrawing(*session, "large drawing", count, seed);
    clipped = Clip(*session, fs::file_size(plain), clipMb);
  }
  if (clipped.empty()) {
    std::fprintf(stderr, "bench_section_cut: cannot write the clipped drawing\n");
    return 1;
  }
  std::string error;
  auto session = cli::Session::Open(clipped.string(), error, nullptr);
  if (!session) {
    std::fprintf(stderr, "bench_section_cut: %s\n", error.c_str());
    return 1;
  }
  std::printf("clipped drawing: %.0f MB\n", fs::file_size(clipped) / 1e6);
  RunDrawing(*session, "clipped drawing", count, seed + 1);
  std::error_code ec;
  fs::remove(clipped, ec);
  return 0;
}
