#include "ruvo/stations/stations.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/geom/bulge.h"
#include "platform/win/atomic_file.h"
#include "ruvo/host/host_access.h"
#include "ruvo/section/data_file.h"
#include "ruvo/section/get_data.h"
#include "ruvo/section/point_list.h"
#include "ruvo/stations/sheets.h"

namespace ruvo {

namespace {

constexpr double kSameChainage = 0.0005;  // metres: stations closer than this share a name
constexpr double kAtVertex = 1e-9;        // drawing units

geom::Vector2d Unit(geom::Vector2d v) {
  const double l = v.length();
  return l > 0 ? v / l : geom::Vector2d{1, 0};
}

// Point and direction at `t` (0..1) of the segment ending at vertex i.
AlignmentPoint OnSegment(const Alignment& al, std::size_t i, double t) {
  const CPntList& v0 = al.vertices[i - 1];
  const CPntList& v1 = al.vertices[i];
  const geom::Point2d p0 = v0.ptPos.xy(), p1 = v1.ptPos.xy();
  if (std::fabs(v1.dBulge) <= kBulgeTolerance || p0 == p1) {
    return {p0 + (p1 - p0) * t, Unit(p1 - p0)};
  }
  const geom::BulgeCircle arc = geom::bulgeCircle(p0, p1, v1.dBulge);
  const double a = arc.startAngle + arc.sweep * t;
  const geom::Vector2d radial{std::cos(a), std::sin(a)};
  const geom::Vector2d ccw{-radial.y, radial.x};
  return {arc.centre + radial * arc.radius, arc.sweep > 0 ? ccw : -ccw};
}

std::string Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return std::string(s);
}

std::optional<double> Number(std::string_view s) {
  double v = 0;
  if (s.empty() || s.front() == '+' || s.front() == '-') return std::nullopt;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string HandleHex(ObjectHandle h) {
  if (h == 0) return {};
  char buf[24];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(h));
  return buf;
}

// The last point at or before `dist` and the first at or after it among those `counts`
// takes (either null when there is none).
template <class Counts>
std::pair<const CDataStruct*, const CDataStruct*> Neighbours(const CDocData& d, double dist,
                                                             Counts counts) {
  const CDataStruct* before = nullptr;
  const CDataStruct* after = nullptr;
  for (const CDataStruct& p : d.pointList) {
    if (!counts(p)) continue;
    if (p.dDist <= dist) before = &p;
    if (p.dDist >= dist && !after) after = &p;
  }
  return {before, after};
}

// The centre's elevation between its nearest usable neighbours on the section.
double CentreHeight(const CDocData& d, double dist) {
  const auto [before, after] = Neighbours(
      d, dist, [&](const CDataStruct& p) { return !p.bDelete && IsPointListed(p, d.KneePnt); });
  if (before && after) {
    const double span = after->dDist - before->dDist;
    if (span <= 0) return before->dHigh;
    return before->dHigh + (after->dHigh - before->dHigh) * (dist - before->dDist) / span;
  }
  if (before) return before->dHigh;
  if (after) return after->dHigh;
  return std::nan("");
}

}  // namespace

std::string Fixed(double v, int places) {
  if (!std::isfinite(v)) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", places, v);
  // a value that rounds to zero is written without a sign ("-0.000" reads as a side)
  if (buf[0] == '-' && std::strspn(buf + 1, "0.") == std::strlen(buf + 1))
    return std::string(buf + 1);
  return buf;
}

std::string ChainageName(double metres) {
  const long long mm = std::llround(std::max(metres, 0.0) * 1000);
  const long long km = mm / 1000000, rest = mm % 1000000;
  char buf[64];
  std::snprintf(buf, sizeof buf, "K%lld+%03lld", km, rest / 1000);
  std::string s = buf;
  if (rest % 1000 != 0) {
    std::snprintf(buf, sizeof buf, ".%03lld", rest % 1000);
    std::string frac = buf;
    while (frac.back() == '0') frac.pop_back();
    s += frac;
  }
  return s;
}

std::optional<double> ParseChainage(std::string_view text) {
  const std::string t = Trimmed(text);
  if (t.empty()) return std::nullopt;
  if (t[0] != 'K' && t[0] != 'k') return Number(t);
  const std::size_t plus = t.find('+');
  if (plus == std::string::npos) return std::nullopt;
  const auto km = Number(std::string_view(t).substr(1, plus - 1));
  const auto m = Number(std::string_view(t).substr(plus + 1));
  if (!km || !m || *km != std::floor(*km) || *m >= 1000) return std::nullopt;
  return *km * 1000 + *m;
}

AlignmentPoint PointAt(const Alignment& a, double dist) {
  const auto& v = a.vertices;
  if (v.size() < 2) return {v.empty() ? geom::Point2d{} : v.front().ptPos.xy(), {1, 0}};
  dist = std::clamp(dist, 0.0, a.length());
  std::size_t i = 1;
  while (i + 1 < v.size() && v[i].dDist < dist) ++i;
  // at an inner vertex (or where a closed line meets itself) the direction halves the turn
  const bool atInner = i + 1 < v.size() && std::fabs(v[i].dDist - dist) <= kAtVertex;
  const bool atClosure = a.closed && (dist <= kAtVertex || dist >= a.length() - kAtVertex);
  if (atInner || atClosure) {
    const AlignmentPoint in = atInner ? OnSegment(a, i, 1) : OnSegment(a, v.size() - 1, 1);
    const AlignmentPoint out = atInner ? OnSegment(a, i + 1, 0) : OnSegment(a, 1, 0);
    const geom::Vector2d sum = in.dir + out.dir;
    return {atClosure && dist <= kAtVertex ? out.at : in.at,
            sum.length() > 1e-12 ? Unit(sum) : out.dir};
  }
  const double len = v[i].dDist - v[i - 1].dDist;
  return OnSegment(a, i, len > 0 ? (dist - v[i - 1].dDist) / len : 0);
}

std::size_t CountStations(const Alignment& a, const StationOptions& o) {
  if (a.vertices.size() < 2 || !(o.unitMetres > 0)) return 0;
  double count = static_cast<double>(o.more.size());
  if (o.every > 0) count += std::floor(a.length() * o.unitMetres / o.every) + 2;
  if (o.atVertices) count += static_cast<double>(a.vertices.size());
  return count < 1e18 ? static_cast<std::size_t>(count) : SIZE_MAX;
}

std::vector<Station> PlaceStations(const Alignment& a, const StationOptions& o) {
  std::vector<Station> stations;
  if (a.vertices.size() < 2 || !(o.unitMetres > 0)) return stations;
  const double lengthM = a.length() * o.unitMetres;
  std::vector<double> at;
  if (o.every > 0) {
    for (double k = 0;; ++k) {
      const double c = k * o.every;
      if (c > lengthM + kSameChainage) break;
      at.push_back(std::min(c, lengthM));
    }
    if (!a.closed) at.push_back(lengthM);
  }
  if (o.atVertices) {
    for (std::size_t i = 1; i + 1 < a.vertices.size(); ++i)
      at.push_back(a.vertices[i].dDist * o.unitMetres);
  }
  for (double c : o.more)
    if (c >= -kSameChainage && c <= lengthM + kSameChainage)
      at.push_back(std::clamp(c, 0.0, lengthM));
  std::sort(at.begin(), at.end());
  const double leftDu = o.left / o.unitMetres, rightDu = o.right / o.unitMetres;
  for (double c : at) {
    if (!stations.empty() && c - stations.back().chainage < kSameChainage) continue;
    // a closed line ends where it starts: that station is the first one
    if (a.closed && !stations.empty() && lengthM - c < kSameChainage) continue;
    Station s;
    s.chainage = c;
    s.name = ChainageName(c);
    const AlignmentPoint p = PointAt(a, c / o.unitMetres);
    s.at = p.at;
    s.dir = p.dir;
    const geom::Vector2d toLeft{-p.dir.y, p.dir.x};
    const geom::Point2d l = p.at + toLeft * leftDu, r = p.at - toLeft * rightDu;
    s.left = {l.x, l.y, 0};
    s.right = {r.x, r.y, 0};
    stations.push_back(std::move(s));
  }
  return stations;
}

std::optional<std::vector<double>> ReadStationFile(const std::filesystem::path& file,
                                                   double lengthMetres, std::string& error) {
  const auto bytes = win::readFileBytes(file);
  if (!bytes) {
    error = file.string() + ": cannot be read";
    return std::nullopt;
  }
  std::vector<double> out;
  std::size_t lineNo = 0;
  std::string_view rest = *bytes;
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);  // a byte-order mark
  while (!rest.empty()) {
    const std::size_t nl = rest.find('\n');
    const std::string line = Trimmed(rest.substr(0, nl));
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    const auto c = ParseChainage(line);
    const std::string where = file.string() + ":" + std::to_string(lineNo) + ": ";
    if (!c) {
      error = where + "not a chainage: " + line;
      return std::nullopt;
    }
    if (*c > lengthMetres + kSameChainage) {
      error =
          where + line + " lies beyond the centreline's end (" + ChainageName(lengthMetres) + ")";
      return std::nullopt;
    }
    out.push_back(*c);
  }
  return out;
}

double OffsetOf(const CrossSection& s, const CDataStruct& point, double unitMetres) {
  return (point.dDist - s.centre.dDist) * unitMetres;
}

std::vector<CDataStruct> ListedPoints(const CrossSection& s) {
  std::vector<CDataStruct> out;
  bool centreDone = s.centreCut;
  for (const CDataStruct& p : s.data.pointList) {
    if (p.bDelete || !IsPointListed(p, s.data.KneePnt)) continue;
    if (!centreDone && p.dDist > s.centre.dDist) {
      out.push_back(s.centre);
      centreDone = true;
    }
    out.push_back(p);
  }
  if (!centreDone) out.push_back(s.centre);
  return out;
}

std::vector<CrossSection> CutStations(host::Host& host, const CDocData& settings,
                                      const std::vector<Station>& stations,
                                      cad::ObjectId centreline, const std::string& centreLayer,
                                      Edition edition,
                                      const std::function<void(std::size_t)>& progress) {
  std::vector<CrossSection> out;
  out.reserve(stations.size());
  CDocData blank = settings;
  blank.vertexList.clear();
  blank.pointList.clear();
  blank.layerList.clear();
  WriteLockedDocument lock(host);
  if (!lock.locked()) return out;
  // the vertices a picked line from the left end to the right end would give
  std::vector<std::vector<CPntList>> lines;
  lines.reserve(stations.size());
  for (const Station& st : stations) {
    CPntList v0, v1;
    v0.nIndex = 0;
    v0.ptPos = st.left;
    v1.nIndex = 1;
    v1.ptPos = st.right;
    v1.dDist = PlanDistance(st.left, st.right);
    lines.push_back({v0, v1});
  }
  CBatchCut engine(host, lines);
  for (std::size_t i = 0; i < stations.size(); ++i) {
    const Station& st = stations[i];
    CrossSection cs;
    cs.station = st;
    cs.data = blank;
    cs.data.strPmName = st.name;
    cs.data.vertexList = std::move(lines[i]);
    engine.CutSection(cs.data, cad::ObjectId());
    // The cross-section lines an earlier run drew lie on the sections: each is left out as a
    // picked section line is.
    std::erase_if(cs.data.pointList,
                  [](const CDataStruct& p) { return p.strLayer == kSectionLineLayer; });
    std::erase(cs.data.layerList, std::string(kSectionLineLayer));
    FinishPointList(cs.data);
    if (cs.data.pointList.size() >= 2) {
      RepairHeights(cs.data, edition);
      MarkStraightKnees(cs.data);
    }
    cs.data.bFromDrawing = 1;
    // the centre: where the section meets its centreline
    const double centreDist = PlanDistance(st.left, {st.at.x, st.at.y, 0});
    CDataStruct* crossing = nullptr;
    for (CDataStruct& p : cs.data.pointList) {
      if (p.nType == PT_CROSS && !p.bDelete && p.idObject == centreline.handle() &&
          std::fabs(p.dDist - centreDist) < 1e-6 * std::max(1.0, centreDist)) {
        crossing = &p;
        break;
      }
    }
    if (crossing) {
      // A centreline without a usable elevation (a plan alignment at 0) is repaired like
      // any crossing, from its measured neighbours; with none on one side the repair leaves
      // it as it was, and the centre takes the nearest measured elevation instead.
      if (crossing->bRevised == 1) {
        const auto [before, after] =
            Neighbours(cs.data, crossing->dDist, [&](const CDataStruct& p) {
              return &p != crossing && !p.bDelete && p.bRevised == 0 && p.nType == PT_CROSS;
            });
        if ((before == nullptr) != (after == nullptr))
          crossing->dHigh = (before ? before : after)->dHigh;
      }
      if (crossing->strNote.empty()) crossing->strNote = kNoteCentre;
      cs.centre = *crossing;
      cs.centreCut = true;
    } else {
      cs.centre.ptPos = {st.at.x, st.at.y, 0};
      cs.centre.dDist = centreDist;
      cs.centre.dHigh = CentreHeight(cs.data, centreDist);
      cs.centre.ptPos.z = std::isfinite(cs.centre.dHigh) ? cs.centre.dHigh : 0;
      cs.centre.strNote = kNoteCentre;
      cs.centre.strLayer = centreLayer;
      cs.centre.idObject = centreline.handle();
      cs.centre.nType = PT_ADDED;
    }
    out.push_back(std::move(cs));
    if (progress) progress(out.size());
  }
  // as a cut of each line alone leaves them
  lock.database().modelExtents().update();
  return out;
}

std::string FormatStationsCsv(const std::vector<CrossSection>& sections, double unitMetres) {
  // A byte-order mark, so that spreadsheets take the Chinese remarks and layers as UTF-8.
  std::string out = "\xEF\xBB\xBFstation,offset,elevation,remark,layer,handle,x,y\r\n";
  for (const CrossSection& s : sections) {
    for (const CDataStruct& p : ListedPoints(s)) {
      out += s.station.name;
      out += ',' + Fixed(OffsetOf(s, p, unitMetres), 3);
      out += ',' + Fixed(p.dHigh, 3);
      out += ',' + CsvField(p.strNote);
      out += ',' + CsvField(p.strLayer);
      out += ',' + HandleHex(p.idObject);
      out += ',' + Fixed(p.ptPos.x, 3);
      out += ',' + Fixed(p.ptPos.y, 3);
      out += "\r\n";
    }
  }
  return out;
}

bool WriteStationFiles(std::vector<CrossSection>& sections, const std::filesystem::path& folder,
                       double unitMetres, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = folder.string() + ": " + ec.message();
    return false;
  }
  std::vector<win::FileImage> files;
  files.reserve(sections.size() + 1);
  for (CrossSection& s : sections)
    files.push_back(
        {folder / (s.station.name + ".txt"), FormatSectionData(s.data, Edition::Current)});
  files.push_back({folder / "stations.csv", FormatStationsCsv(sections, unitMetres)});
  std::filesystem::path failed;
  if (!win::writeFilesAtomically(files, &failed)) {
    error = failed.string() + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace ruvo
