// Time of one acquisition (pick, cut, finish, repair) on a large topographic drawing, and
// the same crossings computed with GEOS (STRtree of the contour line strings, a candidate
// query per leg, intersection, distance along the leg) for comparison.
//
// usage: bench_section_cut [DRAWING.dxf | DRAWING.dxf.xz] [--sections N] [--seed S]

#include <geos_c.h>

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

#include "cli/session.h"
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

// The drawing as plain DXF; an .xz file is unpacked once beside the build.
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

// Sections of three straight legs, 1 to 5 km each, kept inside the drawing's extents.
std::vector<Section> MakeSections(const geom::Extents2d& box, int count, unsigned seed) {
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

struct Geos {
  GEOSContextHandle_t ctx = GEOS_init_r();
  GEOSSTRtree* tree = GEOSSTRtree_create_r(ctx, 10);
  std::vector<GEOSGeometry*> owned;
  ~Geos() {
    GEOSSTRtree_destroy_r(ctx, tree);
    for (GEOSGeometry* g : owned) GEOSGeom_destroy_r(ctx, g);
    GEOS_finish_r(ctx);
  }
  GEOSGeometry* LineString(const std::vector<geom::Point2d>& pts) {
    GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx, static_cast<unsigned>(pts.size()), 2);
    for (unsigned i = 0; i < pts.size(); ++i) GEOSCoordSeq_setXY_r(ctx, seq, i, pts[i].x, pts[i].y);
    return GEOSGeom_createLineString_r(ctx, seq);
  }
};

// The contours as GEOS line strings in an STRtree (lightweight polylines and lines).
void BuildGeosTree(Geos& g, const cad::Database& db, std::size_t& count) {
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    std::vector<geom::Point2d> pts;
    if (auto* p = cad::objectCast<cad::LwPolyline>(&e)) {
      pts.assign(p->points().begin(), p->points().end());
      if (p->isClosed() && !pts.empty()) pts.push_back(pts.front());
    } else if (auto* l = cad::objectCast<cad::Line>(&e)) {
      pts = {l->start().xy(), l->end().xy()};
    }
    if (pts.size() < 2) return true;
    GEOSGeometry* ls = g.LineString(pts);
    g.owned.push_back(ls);
    GEOSSTRtree_insert_r(g.ctx, g.tree, ls, ls);
    ++count;
    return true;
  });
}

std::size_t GeosCrossings(Geos& g, const Section& s) {
  std::vector<double> dists;
  double start = 0.0;
  for (const Leg& leg : s) {
    GEOSGeometry* line = g.LineString({leg.a, leg.b});
    std::vector<const GEOSGeometry*> candidates;
    GEOSSTRtree_query_r(
        g.ctx, g.tree, line,
        [](void* item, void* data) {
          static_cast<std::vector<const GEOSGeometry*>*>(data)->push_back(
              static_cast<const GEOSGeometry*>(item));
        },
        &candidates);
    for (const GEOSGeometry* c : candidates) {
      GEOSGeometry* hit = GEOSIntersection_r(g.ctx, line, c);
      if (hit == nullptr) continue;
      const int parts = GEOSGetNumGeometries_r(g.ctx, hit);
      for (int i = 0; i < parts; ++i) {
        const GEOSGeometry* part = GEOSGetGeometryN_r(g.ctx, hit, i);
        if (GEOSGeomTypeId_r(g.ctx, part) != GEOS_POINT) continue;
        dists.push_back(start + GEOSProject_r(g.ctx, line, part));
      }
      GEOSGeom_destroy_r(g.ctx, hit);
    }
    GEOSGeom_destroy_r(g.ctx, line);
    start += geom::distance(leg.a, leg.b);
  }
  std::sort(dists.begin(), dists.end());
  return dists.size();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path drawing = KESTRA_SHARED_DATA "/large/topo_large.dxf.xz";
  int count = 100;
  unsigned seed = 20240607;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--sections" && i + 1 < argc) {
      count = std::atoi(argv[++i]);
    } else if (arg == "--seed" && i + 1 < argc) {
      seed = static_cast<unsigned>(std::atoi(argv[++i]));
    } else if (arg == "--help") {
      std::puts("usage: bench_section_cut [DRAWING.dxf[.xz]] [--sections N] [--seed S]");
      return 0;
    } else {
      drawing = arg;
    }
  }
  const fs::path plain = PlainDrawing(drawing);
  if (plain.empty()) {
    std::fprintf(stderr, "bench_section_cut: cannot unpack %s\n", drawing.c_str());
    return 1;
  }

  const auto t0 = Clock::now();
  std::string error;
  auto session = cli::Session::Open(plain.string(), error, nullptr);
  if (!session) {
    std::fprintf(stderr, "bench_section_cut: %s\n", error.c_str());
    return 1;
  }
  host::headless::HeadlessHost& host = session->host();
  cad::Database& db = session->document().database();
  db.buildIndex();
  std::printf("loaded %s in %.1f s (%zu objects)\n", plain.c_str(),
              Millis(Clock::now() - t0) / 1000, db.objectCount());

  Geos g;
  std::size_t lines = 0;
  BuildGeosTree(g, db, lines);
  const std::vector<Section> sections = MakeSections(db.updateExtents().xy(), count, seed);
  {  // let the tree build before the timing, as the database's index was built above
    GEOSGeometry* probe = g.LineString({sections[0][0].a, sections[0][0].b});
    GEOSSTRtree_query_r(
        g.ctx, g.tree, probe, [](void*, void*) {}, nullptr);
    GEOSGeom_destroy_r(g.ctx, probe);
  }

  std::vector<double> ours, theirs, selection, cutting, finishing;
  std::size_t selected = 0, selectedVertices = 0;
  std::size_t ourPoints = 0, theirPoints = 0;
  for (const Section& s : sections) {
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
    ours.push_back(Millis(Clock::now() - a));
    for (const ruvo::CDataStruct& p : doc.pointList) ourPoints += p.nType == ruvo::PT_CROSS;

    // Where the acquisition's time goes: the cut, and the list work after it.
    {
      ruvo::CDocData phases;
      phases.vertexList = doc.vertexList;
      const auto c = Clock::now();
      getData.CutSection(phases, id, ruvo::kModeCommon);
      const auto f = Clock::now();
      ruvo::FinishPointList(phases);
      if (phases.pointList.size() >= 2) {
        ruvo::RepairHeights(phases, ruvo::Edition::Current);
        ruvo::MarkStraightKnees(phases);
      }
      cutting.push_back(Millis(f - c));
      finishing.push_back(Millis(Clock::now() - f));
    }
    db.erase(id);

    // What the crossing selection alone costs, on the same boxes as the cut.
    const auto sel = Clock::now();
    for (const Leg& leg : s) {
      const geom::Extents2d box = geom::Extents2d::of(leg.a, leg.b);
      const geom::Point2d corners[] = {
          box.max, {box.min.x, box.max.y}, box.min, {box.max.x, box.min.y}};
      host::SelectionSet set;
      host.editor().selectCrossingPolygon(corners, set);
      selected += set.length();
      for (cad::ObjectId id : set.ids()) {
        if (auto p = db.openForRead<cad::LwPolyline>(id)) selectedVertices += p->vertexCount();
      }
    }
    selection.push_back(Millis(Clock::now() - sel));

    const auto b = Clock::now();
    theirPoints += GeosCrossings(g, s);
    theirs.push_back(Millis(Clock::now() - b));
  }
  const double mine = Median(ours), geos = Median(theirs);
  std::printf("%zu sections of three legs (1-5 km), %zu contour line strings\n", sections.size(),
              lines);
  std::printf("crossings: acquisition %zu (after thinning), GEOS %zu\n", ourPoints, theirPoints);
  std::printf(
      "crossing selection alone: median %.3f ms per section, %zu objects selected "
      "with %zu polyline vertices\n",
      Median(selection), selected, selectedVertices);
  std::printf("acquisition phases: cut median %.3f ms, finish and repair median %.3f ms\n",
              Median(cutting), Median(finishing));
  std::printf("median per section: acquisition %.3f ms, GEOS %.3f ms, ratio %.2fx\n", mine, geos,
              mine > 0 ? geos / mine : 0.0);
  return 0;
}
