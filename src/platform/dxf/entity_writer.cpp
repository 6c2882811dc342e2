// Writing entities: unchanged ones by copy, changed ones by merge, new ones fresh, and
// in R12 drawings the nearest R12 form of entities R12 does not have.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "platform/dxf/record_merge.h"
#include "platform/dxf/writer_impl.h"
#include "platform/win/utf8.h"

namespace dxf::detail {
namespace {

bool sameVertex(const cad::PolylineVertex& a, const cad::PolylineVertex& b) {
  return a.position == b.position && a.startWidth == b.startWidth && a.endWidth == b.endWidth &&
         a.bulge == b.bulge && a.tangentDegrees == b.tangentDegrees && a.flags == b.flags;
}

// A point of a NURBS curve by de Boor's algorithm in homogeneous coordinates.
geom::Point3d nurbsPoint(const cad::Spline& s, double t) {
  const int p = s.degree();
  const auto& knots = s.knots();
  const auto& ctrl = s.controlPoints();
  const auto& weights = s.weights();
  const int n = static_cast<int>(ctrl.size());
  int k = p;
  while (k < n - 1 && knots[k + 1] <= t) ++k;
  struct H {
    double x, y, z, w;
  };
  std::vector<H> d(p + 1);
  for (int j = 0; j <= p; ++j) {
    const auto& c = ctrl[j + k - p];
    double w = weights.empty() ? 1.0 : weights[j + k - p];
    d[j] = {c.x * w, c.y * w, c.z * w, w};
  }
  for (int r = 1; r <= p; ++r) {
    for (int j = p; j >= r; --j) {
      double denom = knots[j + 1 + k - r] - knots[j + k - p];
      double a = denom == 0.0 ? 0.0 : (t - knots[j + k - p]) / denom;
      d[j] = {(1 - a) * d[j - 1].x + a * d[j].x, (1 - a) * d[j - 1].y + a * d[j].y,
              (1 - a) * d[j - 1].z + a * d[j].z, (1 - a) * d[j - 1].w + a * d[j].w};
    }
  }
  double w = d[p].w == 0.0 ? 1.0 : d[p].w;
  return {d[p].x / w, d[p].y / w, d[p].z / w};
}

std::vector<geom::Point3d> splinePoints(const cad::Spline& s) {
  const auto& knots = s.knots();
  const int p = s.degree();
  const int n = static_cast<int>(s.controlPoints().size());
  if (n < 2 || p < 1 || static_cast<int>(knots.size()) != n + p + 1) return s.fitPoints();
  std::vector<geom::Point3d> points;
  constexpr int kPerSpan = 8;
  for (int i = p; i < n; ++i) {
    if (knots[i + 1] <= knots[i]) continue;
    for (int j = 0; j < kPerSpan; ++j) {
      points.push_back(nurbsPoint(s, knots[i] + (knots[i + 1] - knots[i]) * j / kPerSpan));
    }
  }
  points.push_back(nurbsPoint(s, knots[n]));
  return points;
}

std::vector<geom::Point3d> ellipsePoints(const cad::Ellipse& e) {
  geom::Vector3d major = e.majorAxis();
  geom::Vector3d minor = cad::Ocs(e.normal()).zAxis();
  minor = geom::cross(minor, major) * e.ratio();
  // One turn at most, whatever the parameters of a damaged drawing say.
  constexpr double kTurn = 2 * std::numbers::pi;
  const double start = e.startParam();
  double sweep = e.endParam() - start;
  if (!(sweep > 0.0)) sweep = std::fmod(sweep, kTurn) + kTurn;
  if (!(sweep <= kTurn)) sweep = kTurn;
  const double end = start + sweep;
  constexpr int kCount = 72;
  const int count = std::max(8, static_cast<int>(kCount * (end - start) / (2 * std::numbers::pi)));
  std::vector<geom::Point3d> points;
  for (int i = 0; i <= count; ++i) {
    double t = start + (end - start) * i / count;
    points.push_back(e.centre() + major * std::cos(t) + minor * std::sin(t));
  }
  return points;
}

// Entity types an R12 file may hold.
bool isR12Type(std::string_view type) {
  static constexpr std::string_view kTypes[] = {
      "LINE",   "POINT",  "CIRCLE", "ARC",       "TRACE",   "SOLID",
      "TEXT",   "SHAPE",  "INSERT", "ATTDEF",    "ATTRIB",  "POLYLINE",
      "VERTEX", "SEQEND", "3DFACE", "DIMENSION", "VIEWPORT"};
  return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

// The plain text of an MTEXT value: formatting codes dropped, paragraph breaks as blanks.
std::string plainMText(std::string_view v) {
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (c == '{' || c == '}') continue;
    if (c != '\\' || i + 1 >= v.size()) {
      out += c;
      continue;
    }
    const char code = v[++i];
    if (code == 'P' || code == 'X' || code == '~') {
      out += ' ';
    } else if (code == '\\' || code == '{' || code == '}') {
      out += code;
    } else if (std::string_view("fFHCcATQWp").find(code) != std::string_view::npos) {
      const std::size_t end = v.find(';', i);
      i = end == std::string_view::npos ? v.size() : end;
    } else if (code == 'S') {  // stacked text a^b: both parts, side by side
      const std::size_t end = v.find(';', i);
      const std::string_view stack =
          v.substr(i + 1, end == std::string_view::npos ? 0 : end - i - 1);
      for (char k : stack) out += (k == '^' || k == '#') ? '/' : k;
      i = end == std::string_view::npos ? v.size() : end;
    }  // \L \l \O \o \K \k and unknown codes: dropped
  }
  return out;
}

}  // namespace

// An entity of a newer drawing that R12 does not know: MTEXT becomes a TEXT of its plain
// text; what has no R12 form at all is left out, and the note says so.
bool Writer::writeOpaqueR12(const cad::OpaqueEntity& e) {
  const RecordSource* src = recordOf(e.source());
  if (isR12Type(e.typeName()) && src) return false;  // transcribed, R12 codes only
  if (!src || e.typeName() != "MTEXT") {
    note(e.typeName() + " left out, R12 has no form for it");
    return true;
  }
  tokenise(*src, tags_);
  geom::Point3d at;
  double height = 2.5, rotation = 0.0;
  std::optional<geom::Vector3d> direction;
  std::string text, style;
  geom::Vector3d dir;
  for (const Tag& t : tags_) {
    const double r = realOf(t).value_or(0.0);
    switch (t.code) {
      case 10:
        at.x = r;
        break;
      case 20:
        at.y = r;
        break;
      case 30:
        at.z = r;
        break;
      case 11:
        dir.x = r, direction = dir;
        break;
      case 21:
        dir.y = r, direction = dir;
        break;
      case 40:
        height = r;
        break;
      case 50:
        rotation = r;
        break;
      case 1:
      case 3:
        text += decodeText(t.value, src->file().encoding);
        break;
      case 7:
        style = decodeText(t.value, src->file().encoding);
        break;
      default:
        break;
    }
  }
  if (direction) rotation = std::atan2(direction->y, direction->x) * 180.0 / std::numbers::pi;
  w_.text(0, "TEXT");
  noteHandle(e.id().handle());
  if (handles_) w_.text(5, handleText(e.id().handle()));
  w_.text(8, encodeText(e.layer(), encoding_));
  if (!win::equalsIgnoreAsciiCase(e.linetype(), "ByLayer"))
    w_.text(6, encodeText(e.linetype(), encoding_));
  if (e.colour() != cad::kColourByLayer) w_.integer(62, e.colour());
  w_.real(10, at.x);
  w_.real(20, at.y);
  w_.real(30, at.z);
  w_.real(40, height);
  w_.text(1, encodeText(plainMText(text), encoding_));
  if (rotation != 0.0) w_.real(50, rotation);
  if (!style.empty()) w_.text(7, encodeText(style, encoding_));
  note("MTEXT written as TEXT");
  return true;
}

void Writer::writeEntity(const cad::Entity& e, cad::Handle owner) {
  // Whatever R12 did not have and did not come from this very file takes its R12 form.
  const RecordSource* src = recordOf(e.source());
  if (r12_ && !(src && sameFile(*src)) && writeR12Form(e, owner)) return;
  writeEntityRecord(e, owner);
  if (const auto* poly = cad::objectCast<const cad::OldPolyline>(&e)) {
    writeVertices(*poly);
  } else if (const auto* ref = cad::objectCast<const cad::BlockReference>(&e)) {
    for (const auto& a : ref->attributes()) writeSubRecord(a, e.id().handle());
    writeSubRecord(ref->seqend(), e.id().handle());
  } else if (const auto* opaque = cad::objectCast<const cad::OpaqueEntity>(&e)) {
    for (const auto& r : opaque->subRecords()) writeSubRecord(r, e.id().handle());
  }
}

void Writer::writeEntityRecord(const cad::Entity& e, cad::Handle owner) {
  const RecordSource* src = recordOf(e.source());
  const cad::Handle handle = e.id().handle();
  if (src && sameFile(*src) && !e.isModified()) {
    copyRecord(*src, handle);
    return;
  }
  if (src && !sameFile(*src) && e.kind() == cad::ObjectKind::OpaqueEntity) {
    transcribe(*src, handle, owner);
    return;
  }
  EncodeContext ctx{r12_, handles_, owner};
  OutTags gen;
  std::string type;
  encodeEntity(e, ctx, type, gen);
  if (type.empty()) return;
  if (src && sameFile(*src) && e.kind() == cad::ObjectKind::OpaqueEntity) {
    // Only the common properties are the database's, whatever the record type says (a
    // mesh is a POLYLINE whose points are not a polyline's).
    noteHandle(handle);
    tokenise(*src, tags_);
    mergeRecord(tags_, src->bytes(), gen, *layoutFor("*ENTITY"), encoding_, w_);
    return;
  }
  writeGenerated(src, true, handle, type, gen);
}

void Writer::writeVertices(const cad::OldPolyline& p) {
  const bool is3d = p.kind() == cad::ObjectKind::Polyline3d;
  const cad::Handle owner = p.id().handle();
  EncodeContext ctx{r12_, handles_, owner};
  Decoder decoder(encoding_);
  for (const cad::PolylineVertex& v : p.vertices()) {
    const RecordSource* src = recordOf(v.record.source);
    if (src && sameFile(*src)) {
      tokenise(*src, tags_);
      cad::PolylineVertex original;
      RecordHead head;
      decoder.vertex(tags_, original, head);
      if (sameVertex(original, v)) {
        copyRecord(*src, v.record.handle);
        continue;
      }
    }
    OutTags gen;
    const cad::Handle handle = v.record.handle != 0 ? v.record.handle : fresh();
    noteHandle(handle);
    encodeVertex(v, is3d, ctx, handle, gen);
    for (OutTag& t : gen.tags) {
      if (t.code == 8) t.text = p.layer();
    }
    if (src && sameFile(*src)) {
      mergeRecord(tags_, src->bytes(), gen, *layoutFor("VERTEX"), encoding_, w_);
    } else {
      writeNewRecord("VERTEX", gen, encoding_, w_);
    }
  }
  if (p.seqend().source) {
    writeSubRecord(p.seqend(), owner);
    return;
  }
  w_.text(0, "SEQEND");
  noteHandle(p.seqend().handle);
  if (handles_) w_.text(5, handleText(p.seqend().handle != 0 ? p.seqend().handle : fresh()));
  if (!r12_) {
    w_.text(330, handleText(owner));
    w_.text(100, "AcDbEntity");
  }
  w_.text(8, encodeText(p.layer(), encoding_));
}

bool Writer::writeR12Form(const cad::Entity& e, cad::Handle owner) {
  using K = cad::ObjectKind;
  if (e.kind() == K::OpaqueEntity) return writeOpaqueR12(static_cast<const cad::OpaqueEntity&>(e));
  if (e.kind() == K::LwPolyline) {
    const auto& p = static_cast<const cad::LwPolyline&>(e);
    std::vector<geom::Point3d> points;
    std::vector<double> bulges;
    for (std::size_t i = 0; i < p.vertexCount(); ++i) {
      points.push_back(geom::withZ(p.pointAt(i), p.elevation()));
      bulges.push_back(p.bulgeAt(i));
    }
    writePolylineR12(e, points, bulges, p.isClosed(), false, p.elevation(), owner);
    note("LWPOLYLINE written as POLYLINE");
    return true;
  }
  if (e.kind() == K::Spline || e.kind() == K::Ellipse) {
    const bool spline = e.kind() == K::Spline;
    std::vector<geom::Point3d> points = spline ? splinePoints(static_cast<const cad::Spline&>(e))
                                               : ellipsePoints(static_cast<const cad::Ellipse&>(e));
    bool flat = true;
    for (const auto& pt : points) flat = flat && pt.z == points.front().z;
    const double z = points.empty() ? 0.0 : points.front().z;
    writePolylineR12(e, points, {}, false, !flat, flat ? z : 0.0, owner);
    note(spline ? "SPLINE written as POLYLINE through points of the curve"
                : "ELLIPSE written as POLYLINE through points of the curve");
    return true;
  }
  return false;
}

void Writer::writePolylineR12(const cad::Entity& e, const std::vector<geom::Point3d>& points,
                              const std::vector<double>& bulges, bool closed, bool is3d,
                              double elevation, cad::Handle owner) {
  (void)owner;
  auto common = [&]() {
    w_.text(8, encodeText(e.layer(), encoding_));
    if (!win::equalsIgnoreAsciiCase(e.linetype(), "ByLayer"))
      w_.text(6, encodeText(e.linetype(), encoding_));
    if (e.colour() != cad::kColourByLayer) w_.integer(62, e.colour());
  };
  w_.text(0, "POLYLINE");
  noteHandle(e.id().handle());
  if (handles_) w_.text(5, handleText(e.id().handle()));
  common();
  w_.integer(66, 1);
  w_.real(10, 0.0);
  w_.real(20, 0.0);
  w_.real(30, elevation);
  w_.integer(70, (closed ? 1 : 0) | (is3d ? 8 : 0));
  for (std::size_t i = 0; i < points.size(); ++i) {
    w_.text(0, "VERTEX");
    if (handles_) w_.text(5, handleText(fresh()));
    common();
    w_.real(10, points[i].x);
    w_.real(20, points[i].y);
    w_.real(30, is3d ? points[i].z : elevation);
    if (i < bulges.size() && bulges[i] != 0.0) w_.real(42, bulges[i]);
    w_.integer(70, is3d ? 32 : 0);
  }
  w_.text(0, "SEQEND");
  if (handles_) w_.text(5, handleText(fresh()));
  w_.text(8, encodeText(e.layer(), encoding_));
}

}  // namespace dxf::detail
