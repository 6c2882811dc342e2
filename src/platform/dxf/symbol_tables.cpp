// The tables of symbol table entries (layers, text styles, linetypes, block records) and
// of the BLOCK record that opens a block definition.

#include "platform/dxf/record_tables.h"

namespace dxf::table {
namespace {

using K = cad::ObjectKind;

// What every entry starts with; `name` is given when the entry is made.
template <class T, class S = NoState>
std::vector<Field<T, S>> entryHead(std::string_view marker) {
  using B = Fields<T, S>;
  return {
      B::handle(),
      B::owner(),
      B::marker("AcDbSymbolTableRecord"),
      B::marker(marker),
      consulted(B::text(
          2, [](const T& r) -> std::string_view { return r.name(); }, nullptr)),
  };
}

template <class T>
Field<T> entryFlags() {
  return Fields<T>::integer(
      70, [](const T& r) -> std::int64_t { return r.flags(); }, [](T& r, int v) { r.setFlags(v); });
}

template <class T, class S = NoState>
Table<T, S> entryTable(std::string_view type, std::string_view marker,
                       std::vector<Field<T, S>> own) {
  auto fields = entryHead<T, S>(marker);
  fields.insert(fields.end(), own.begin(), own.end());
  Table<T, S> table(type, std::move(fields));
  table.create = [](const Values& v) { return std::make_unique<T>(v.text(2)); };
  return table;
}

const Table<cad::Layer>& layerTable() {
  using L = cad::Layer;
  using B = Fields<L>;
  static const auto table = entryTable<L>(
      "LAYER", "AcDbLayerTableRecord",
      {
          entryFlags<L>(),
          // The file keeps "off" as a negative colour.
          B::integer(
              62, [](const L& l) -> std::int64_t { return l.isOff() ? -l.colour() : l.colour(); },
              [](L& l, int colour) {
                l.setOff(colour < 0);
                l.setColour(colour < 0 ? -colour : (colour == 0 ? 7 : colour));
              },
              7),
          B::text(
              6, [](const L& l) -> std::string_view { return l.linetype(); },
              [](L& l, std::string v) { l.setLinetype(std::move(v)); }, "Continuous"),
          notR12(B::optionalInt(
              290, [](const L& l) -> std::int64_t { return l.isPlottable() ? 1 : 0; },
              [](L& l, int v) { l.setPlottable(v != 0); }, 1)),
          // The lineweight: by default, never the database's.
          kept(notR12(B::optionalInt(
              370, [](const L&) -> std::int64_t { return -3; }, nullptr, -3))),
      });
  return table;
}

// The TrueType face lives in the extended data of the application "ACAD".
bool styleTypeface(cad::TextStyle& style, NoState&, const Record& tags, Decoder& decoder) {
  bool inAcad = false;
  std::string face;
  std::optional<int> faceFlags;
  tags.forEach([&](const Tag& t) {
    if (t.code == 1001) inAcad = t.value == "ACAD";
    if (!inAcad) return;
    if (t.code == 1000 && face.empty()) face = decoder.text(t.value);
    if (t.code == 1071 && !faceFlags) faceFlags = detail::integer(t);
  });
  if (!face.empty()) {
    const int f = faceFlags.value_or(0);
    style.setTypeface(face, (f & 0x02000000) != 0, (f & 0x01000000) != 0, (f >> 8) & 0xFF,
                      f & 0xFF);
  }
  return true;
}

const Table<cad::TextStyle>& styleTable() {
  using T = cad::TextStyle;
  using B = Fields<T>;
  static const auto table = [] {
    auto t =
        entryTable<T>("STYLE", "AcDbTextStyleTableRecord",
                      {
                          entryFlags<T>(),
                          B::real(
                              40, [](const T& s) { return s.fixedHeight(); },
                              [](T& s, double v) { s.setFixedHeight(v); }),
                          B::real(
                              41, [](const T& s) { return s.widthFactor(); },
                              [](T& s, double v) { s.setWidthFactor(v); }, 1.0),
                          B::real(
                              50, [](const T& s) { return s.obliqueDegrees(); },
                              [](T& s, double v) { s.setObliqueDegrees(v); }),
                          B::integer(
                              71, [](const T& s) -> std::int64_t { return s.generationFlags(); },
                              [](T& s, int v) { s.setGenerationFlags(v); }),
                          B::real(
                              42, [](const T& s) { return s.lastHeight(); },
                              [](T& s, double v) { s.setLastHeight(v); }, 2.5),
                          B::text(
                              3, [](const T& s) -> std::string_view { return s.fontFile(); },
                              [](T& s, std::string v) { s.setFontFile(std::move(v)); }, "txt"),
                          B::text(
                              4, [](const T& s) -> std::string_view { return s.bigFontFile(); },
                              [](T& s, std::string v) { s.setBigFontFile(std::move(v)); }),
                      });
    t.finish = styleTypeface;
    return t;
  }();
  return table;
}

struct Dashes {
  std::vector<double> pattern;
};

void takeDash(Dashes& s, const Tag& t, Decoder&) {
  if (t.code == 49) s.pattern.push_back(detail::real(t));
}

void encodeDashes(const cad::Linetype& lt, const EncodeContext& ctx, OutTags& out) {
  for (double dash : lt.pattern()) {
    out.real(49, dash);
    if (!ctx.r12) out.integer(74, 0);
  }
}

// A dash and what may come with it: its kind (74), shape number (75), style (340), scale
// (46), rotation (50), offsets (44, 45), text (9).
const int kDashCodes[] = {49, 74, 75, 340, 46, 50, 44, 45, 9};

const Table<cad::Linetype, Dashes>& linetypeTable() {
  using T = cad::Linetype;
  using B = Fields<T, Dashes>;
  static const auto table = [] {
    auto t = entryTable<T, Dashes>(
        "LTYPE", "AcDbLinetypeTableRecord",
        {
            B::integer(
                70, [](const T& r) -> std::int64_t { return r.flags(); },
                [](T& r, int v) { r.setFlags(v); }),
            B::text(
                3, [](const T& l) -> std::string_view { return l.description(); },
                [](T& l, std::string v) { l.setDescription(std::move(v)); }),
            B::integer(
                72, [](const T&) -> std::int64_t { return 65; }, nullptr),  // 'A'
            B::integer(
                73, [](const T& l) -> std::int64_t { return l.pattern().size(); }, nullptr),
            B::real(
                40, [](const T& l) { return l.patternLength(); }, nullptr),
            B::group("dashes", kDashCodes, true, takeDash, encodeDashes),
        });
    t.finish = [](T& l, Dashes& s, const Record&, Decoder&) {
      l.setPattern(std::move(s.pattern));
      return true;
    };
    return t;
  }();
  return table;
}

const Table<cad::BlockRecord>& blockRecordTable() {
  using T = cad::BlockRecord;
  static const auto table =
      entryTable<T>("BLOCK_RECORD", "AcDbBlockTableRecord",
                    {
                        // Read, but a block record of a file keeps its own.
                        kept(Fields<T>::integer(70, nullptr, [](T& r, int v) { r.setFlags(v); })),
                    });
  return table;
}

template <class T, class S, const Table<T, S>& (*table)()>
EntryCodec entryCodec(cad::ObjectKind kind) {
  EntryCodec c;
  c.type = table().type;
  c.kind = kind;
  c.decode = [](const Record& tags, Decoder& d) -> std::unique_ptr<cad::TableRecord> {
    return decodeNew(table(), tags, d);
  };
  c.encode = [](const cad::TableRecord& r, const EncodeContext& ctx, OutTags& out) {
    encodeFields(table().span(), static_cast<const T&>(r), ctx, out);
  };
  c.layout = [](std::vector<int>& m, std::vector<int>& r) { table().layout(m, r); };
  return c;
}

const EntryCodec kEntries[] = {
    entryCodec<cad::Layer, NoState, layerTable>(K::Layer),
    entryCodec<cad::TextStyle, NoState, styleTable>(K::TextStyle),
    entryCodec<cad::Linetype, Dashes, linetypeTable>(K::Linetype),
    entryCodec<cad::BlockRecord, NoState, blockRecordTable>(K::BlockRecord),
};

// The name: group 2, or group 3 where 2 is absent or empty so far.
void takeBlockName(std::string& name, const Tag& t, Decoder& decoder) {
  if (t.code == 2 || name.empty()) name = decoder.text(t.value);
}

const int kBlockNameCodes[] = {2, 3};

}  // namespace

std::span<const EntryCodec> entryCodecs() { return kEntries; }

const Table<BlockBegin, std::string>& blockTable() {
  using T = BlockBegin;
  using B = Fields<T, std::string>;
  static const auto table = [] {
    Table<T, std::string> t(
        "BLOCK",
        {
            B::handle(),
            B::owner(),
            B::marker("AcDbEntity"),
            B::text(
                8, [](const T&) -> std::string_view { return "0"; }, nullptr),
            B::marker("AcDbBlockBegin"),
            B::text(
                2, [](const T& b) -> std::string_view { return b.name; }, nullptr),
            B::integer(
                70, [](const T& b) -> std::int64_t { return b.flags; },
                [](T& b, int v) { b.flags = v; }),
            B::point(
                10, [](const T& b) { return b.base; }, [](T& b, geom::Point3d p) { b.base = p; }),
            B::text(
                3, [](const T& b) -> std::string_view { return b.name; }, nullptr),
            kept(B::text(
                1, [](const T&) -> std::string_view { return ""; }, nullptr)),
            kept(B::text(4, nullptr, [](T& b, std::string v) { b.description = std::move(v); })),
            // Both names are read here, the first one given winning.
            B::group("name", kBlockNameCodes, false, takeBlockName, nullptr),
        });
    t.finish = [](T& b, std::string& name, const Record&, Decoder&) {
      b.name = std::move(name);
      return true;
    };
    return t;
  }();
  return table;
}

}  // namespace dxf::table
