#pragma once
// Cross-sections at stations along a centreline: where the stations lie, the straight
// section line across the centreline at each, and the cut of every one of them by the same
// engine (and the same settings) as a section line the user picked.
//
// Chainages and widths are metres; positions are drawing units, one unit being
// `XYScale` / 1000 metres as for the section rows.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/geom/vec.h"
#include "platform/host/host.h"
#include "ruvo/section/doc_data.h"
#include "ruvo/section/edition.h"
#include "ruvo/section/records.h"

namespace ruvo {

// Remark of the point where a cross-section meets its centreline.
inline constexpr const char* kNoteCentre = "中桩";

// `v` to `places` decimals; a value that rounds to zero without a sign; empty when not
// finite.
std::string Fixed(double v, int places);

// "K0+020", "K1+234.5": kilometres, then metres to three places, decimals (to the
// millimetre) only where there are any.
std::string ChainageName(double metres);
// "K1+234.5", "k0+020" or a plain number of metres; nullopt for anything else.
std::optional<double> ParseChainage(std::string_view text);

// A centreline as the section engine reads a picked line (vertices with their distances
// and the bulge of the segment ending at each; a closed polyline repeats its first vertex).
struct Alignment {
  std::vector<CPntList> vertices;
  bool closed = false;
  double length() const { return vertices.empty() ? 0.0 : vertices.back().dDist; }
};

// The point at a distance along the alignment (drawing units, clamped to its ends) and the
// unit direction of travel there; at an inner vertex (or the start of a closed one) the
// direction halves the turn, so the cross-section there splits the angle.
struct AlignmentPoint {
  geom::Point2d at;
  geom::Vector2d dir{1, 0};
};
AlignmentPoint PointAt(const Alignment& a, double dist);

struct StationOptions {
  double every = 20.0;       // metres between regular stations; 0: none
  bool atVertices = false;   // also one at every inner vertex
  std::vector<double> more;  // chainages in metres (a station file)
  double left = 50.0;        // metres of the cross-section left of the centreline
  double right = 50.0;       // and right of it
  double unitMetres = 1.0;   // metres per drawing unit (XYScale / 1000)
};

struct Station {
  double chainage = 0;  // metres
  std::string name;     // "K0+020"
  geom::Point2d at;     // on the centreline
  geom::Vector2d dir;   // of travel
  geom::Point3d left;   // first end of the cross-section (left of the centreline)
  geom::Point3d right;  // its other end
};

// Stations at 0, every, 2 every, ... and the end (a closed alignment's end is its start),
// at inner vertices when asked, and at the given chainages; in chainage order, one station
// per millimetre of chainage.
std::vector<Station> PlaceStations(const Alignment& a, const StationOptions& options);
// At most how many stations PlaceStations gives for these options, counted without placing
// them; a run refuses more than kMaxStations (each cross-section with its sheet cell takes
// some tens of kilobytes: a tiny interval along a long line would exhaust the memory).
std::size_t CountStations(const Alignment& a, const StationOptions& options);
inline constexpr std::size_t kMaxStations = 20000;

// Chainages of a station file, one a line (blank lines and lines starting with "#" are
// skipped). A line that is not a chainage, or one beyond the centreline's length, refuses
// the file: nullopt, with `error` naming the line.
std::optional<std::vector<double>> ReadStationFile(const std::filesystem::path& file,
                                                   double lengthMetres, std::string& error);

struct CrossSection {
  Station station;
  CDocData data;           // the section as the engine made it (distances from the left end)
  CDataStruct centre;      // where the centreline is crossed (a point of `data` or one made)
  bool centreCut = false;  // the centreline itself was cut (it carries an elevation)
};

// Offset of a section point from the centreline in metres (negative to the left).
double OffsetOf(const CrossSection& s, const CDataStruct& point, double unitMetres);

// The points a listing shows, with the centre among them in its place: listed, undeleted
// points of the section.
std::vector<CDataStruct> ListedPoints(const CrossSection& s);

// Cuts every station's cross-section as picking a line from its left to its right end
// would: each segment cut, the list finished, repaired and its knees marked, with the
// settings of `settings`. The centreline is crossed like any other curve; its crossing (or
// the centre point interpolated between its neighbours) becomes the centre. `progress` is
// told how many sections are done. Nothing is written into the drawing.
std::vector<CrossSection> CutStations(host::Host& host, const CDocData& settings,
                                      const std::vector<Station>& stations,
                                      cad::ObjectId centreline, const std::string& centreLayer,
                                      Edition edition = Edition::Current,
                                      const std::function<void(std::size_t)>& progress = {});

// One CSV of all stations: station, offset, elevation, remark, layer, object handle, x, y.
std::string FormatStationsCsv(const std::vector<CrossSection>& sections, double unitMetres);

// Writes one section data file per station (named by its chainage, e.g. "K0+020.txt") and
// "stations.csv" into `folder`; false with `error` set at the first file that fails.
bool WriteStationFiles(std::vector<CrossSection>& sections, const std::filesystem::path& folder,
                       double unitMetres, std::string& error);

}  // namespace ruvo
