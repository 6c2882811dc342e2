#pragma once
// The group codes of a record type, declared once as data: a table of fields in the order a
// fresh writer produces them. Each field says which codes it holds, how they map to the
// object (accessors), what a record without them means (the default) and when a writer
// produces them. The writer's set of modelled codes, decoding and encoding all come from
// the one table. Repeated groups (vertices, knots, dashes) and the few rules that do not
// fit a single member are named groups of the table, with their codes listed there too.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/dxf/decode_util.h"
#include "platform/dxf/out_tags.h"
#include "platform/dxf/record_codec.h"
#include "platform/win/utf8.h"

namespace dxf::table {

enum class Kind : std::uint8_t {
  Marker,  // "100 name", written unless R12
  Handle,  // 5: written when the file carries handles (read by Decoder::head)
  Owner,   // 330: written unless R12 (read by Decoder::head)
  Real,
  Int,
  Text,
  Point,          // code, code + 10, code + 20
  OptionalPoint,  // a point the object may lack; read when any of its codes is there
  OptionalReal,   // a value the object may lack; written only when it has one
  Group,          // a named group of codes with handlers of its own
  Claimed,        // codes the type takes as its own but does not hold: a rewrite drops them
};

enum class Presence : std::uint8_t {
  Always,    // written; a point's zero z is implied (a reader takes it when absent)
  Optional,  // left out of a fresh record at the default, kept where a file has it
  Implied,   // at the default, written in a fresh record but never added to a file's
  Counted,   // a count of a list that follows: always implied
};

// The state a record's repeated groups gather while its tags go by.
struct NoState {};

template <class T, class S = NoState>
struct Field {
  Kind kind = Kind::Claimed;
  int code = 0;
  Presence presence = Presence::Always;
  bool notR12 = false;  // left out of R12 files
  // Not the object's: a rewrite keeps the file's tag (the code is not in the modelled set).
  bool kept = false;
  // Read although no setter takes it: consulted when the object is made.
  bool consulted = false;
  std::string_view name;  // the marker's name; the group's name
  // Encoded only where this holds (a 2-D polyline's widths); null: always.
  bool (*present)(const T&) = nullptr;

  double realDefault = 0.0;
  std::int64_t intDefault = 0;
  std::string_view textDefault;
  geom::Point3d pointDefault;

  double (*getReal)(const T&) = nullptr;
  void (*setReal)(T&, double) = nullptr;
  std::int64_t (*getInt)(const T&) = nullptr;
  void (*setInt)(T&, int) = nullptr;
  std::string_view (*getText)(const T&) = nullptr;
  void (*setText)(T&, std::string) = nullptr;
  geom::Point3d (*getPoint)(const T&) = nullptr;
  void (*setPoint)(T&, geom::Point3d) = nullptr;
  std::optional<geom::Point3d> (*getOptionalPoint)(const T&) = nullptr;
  void (*setOptionalPoint)(T&, std::optional<geom::Point3d>) = nullptr;
  std::optional<double> (*getOptionalReal)(const T&) = nullptr;
  void (*setOptionalReal)(T&, std::optional<double>) = nullptr;

  // Group: its codes, whether they form a run (rewritten as one block when its shape
  // changes), how a tag of it is taken and how the group is written.
  std::span<const int> codes;
  bool run = false;
  void (*take)(S&, const Tag&, Decoder&) = nullptr;
  void (*encode)(const T&, const EncodeContext&, OutTags&) = nullptr;

  // The group codes the field holds.
  template <class F>
  void forEachCode(F&& f) const {
    switch (kind) {
      case Kind::Marker:
        return;
      case Kind::Handle:
        return f(5);
      case Kind::Owner:
        return f(330);
      case Kind::Point:
      case Kind::OptionalPoint:
        f(code), f(code + 10), f(code + 20);
        return;
      case Kind::Group:
      case Kind::Claimed:
        for (int c : codes) f(c);
        return;
      default:
        return f(code);
    }
  }
  // Fields that take values in the slots of a record being read.
  int realSlots() const {
    switch (kind) {
      case Kind::Real:
      case Kind::OptionalReal:
        return 1;
      case Kind::Point:
      case Kind::OptionalPoint:
        return 3;
      default:
        return 0;
    }
  }
};

// Builders, so that a table reads as a list of declarations.
template <class T, class S = NoState>
struct Fields {
  using F = Field<T, S>;

  static F marker(std::string_view name, bool (*present)(const T&) = nullptr) {
    F f;
    f.kind = Kind::Marker, f.name = name, f.present = present;
    return f;
  }
  static F handle() {
    F f;
    f.kind = Kind::Handle;
    return f;
  }
  static F owner() {
    F f;
    f.kind = Kind::Owner;
    return f;
  }
  static F real(int code, double (*get)(const T&), void (*set)(T&, double), double def = 0.0,
                Presence presence = Presence::Always) {
    F f;
    f.kind = Kind::Real, f.code = code, f.getReal = get, f.setReal = set, f.realDefault = def;
    f.presence = presence;
    return f;
  }
  static F optionalReal(int code, double (*get)(const T&), void (*set)(T&, double),
                        double def = 0.0) {
    return real(code, get, set, def, Presence::Optional);
  }
  static F integer(int code, std::int64_t (*get)(const T&), void (*set)(T&, int),
                   std::int64_t def = 0, Presence presence = Presence::Always) {
    F f;
    f.kind = Kind::Int, f.code = code, f.getInt = get, f.setInt = set, f.intDefault = def;
    f.presence = presence;
    return f;
  }
  static F optionalInt(int code, std::int64_t (*get)(const T&), void (*set)(T&, int),
                       std::int64_t def = 0) {
    return integer(code, get, set, def, Presence::Optional);
  }
  static F text(int code, std::string_view (*get)(const T&), void (*set)(T&, std::string),
                std::string_view def = {}, Presence presence = Presence::Always) {
    F f;
    f.kind = Kind::Text, f.code = code, f.getText = get, f.setText = set, f.textDefault = def;
    f.presence = presence;
    return f;
  }
  static F point(int code, geom::Point3d (*get)(const T&), void (*set)(T&, geom::Point3d),
                 geom::Point3d def = {}, Presence presence = Presence::Always) {
    F f;
    f.kind = Kind::Point, f.code = code, f.getPoint = get, f.setPoint = set;
    f.pointDefault = def, f.presence = presence;
    return f;
  }
  // The extrusion direction: left out of a fresh record when it is world Z.
  static F normal(geom::Point3d (*get)(const T&), void (*set)(T&, geom::Point3d)) {
    return point(210, get, set, {0.0, 0.0, 1.0}, Presence::Optional);
  }
  static F optionalPoint(int code, std::optional<geom::Point3d> (*get)(const T&),
                         void (*set)(T&, std::optional<geom::Point3d>)) {
    F f;
    f.kind = Kind::OptionalPoint, f.code = code, f.getOptionalPoint = get;
    f.setOptionalPoint = set;
    return f;
  }
  static F optionalValue(int code, std::optional<double> (*get)(const T&),
                         void (*set)(T&, std::optional<double>)) {
    F f;
    f.kind = Kind::OptionalReal, f.code = code, f.getOptionalReal = get;
    f.setOptionalReal = set;
    return f;
  }
  static F group(std::string_view name, std::span<const int> codes, bool run,
                 void (*take)(S&, const Tag&, Decoder&),
                 void (*encode)(const T&, const EncodeContext&, OutTags&)) {
    F f;
    f.kind = Kind::Group, f.name = name, f.codes = codes, f.run = run, f.take = take;
    f.encode = encode;
    return f;
  }
  static F claimed(std::span<const int> codes) {
    F f;
    f.kind = Kind::Claimed, f.codes = codes;
    return f;
  }
};

// Marks a field as one that R12 files do not have, or as written only where `present`.
template <class F>
F notR12(F f) {
  f.notR12 = true;
  return f;
}
template <class F, class T>
F onlyWhere(F f, bool (*present)(const T&)) {
  f.present = present;
  return f;
}

// Marks a field as the file's to keep on a rewrite, or as read only to make the object.
template <class F>
F kept(F f) {
  f.kept = true;
  return f;
}
template <class F>
F consulted(F f) {
  f.consulted = true;
  return f;
}

// ---- writing

// Fields that produce tags: those with a getter, markers and the record's identity.
template <class T, class S>
bool isWritten(const Field<T, S>& f) {
  switch (f.kind) {
    case Kind::Marker:
    case Kind::Handle:
    case Kind::Owner:
      return true;
    default:
      return f.encode || f.getReal || f.getInt || f.getText || f.getPoint || f.getOptionalPoint ||
             f.getOptionalReal;
  }
}

inline void markOptional(OutTags& out, std::size_t from, bool isDefault) {
  for (std::size_t i = from; i < out.tags.size(); ++i) out.tags[i].optional = isDefault;
}

// Writes the fields of `object` as a fresh writer produces them.
template <class T, class S>
void encodeFields(std::span<const Field<T, S>> fields, const T& object, const EncodeContext& ctx,
                  OutTags& out) {
  for (const auto& f : fields) {
    if (f.present && !f.present(object)) continue;
    if (f.notR12 && ctx.r12) continue;
    if (!isWritten(f)) continue;
    const std::size_t from = out.mark();
    switch (f.kind) {
      case Kind::Marker:
        if (!ctx.r12) out.subclass(f.name);
        continue;
      case Kind::Handle:
        if (ctx.handles) out.handle(5, ctx.handle);
        continue;
      case Kind::Owner:
        if (!ctx.r12) out.handle(330, ctx.ownerOf);
        continue;
      case Kind::Claimed:
        continue;
      case Kind::Group:
        f.encode(object, ctx, out);
        continue;
      case Kind::OptionalPoint:
        if (auto p = f.getOptionalPoint(object)) out.point(f.code, *p);
        continue;
      case Kind::OptionalReal:
        if (auto v = f.getOptionalReal(object)) out.real(f.code, *v);
        continue;
      case Kind::Real: {
        const double v = f.getReal(object);
        out.real(f.code, v);
        if (f.presence == Presence::Optional) markOptional(out, from, v == f.realDefault);
        if (f.presence == Presence::Implied) out.impliedSince(from, v == f.realDefault);
        break;
      }
      case Kind::Int: {
        const std::int64_t v = f.getInt(object);
        out.integer(f.code, v);
        if (f.presence == Presence::Optional) markOptional(out, from, v == f.intDefault);
        if (f.presence == Presence::Implied) out.impliedSince(from, v == f.intDefault);
        break;
      }
      case Kind::Text: {
        const std::string_view v = f.getText(object);
        out.text(f.code, v);
        if (f.presence == Presence::Optional) {
          markOptional(out, from, win::equalsIgnoreAsciiCase(v, f.textDefault));
        }
        break;
      }
      case Kind::Point: {
        const geom::Point3d p = f.getPoint(object);
        out.point(f.code, p);
        if (f.presence == Presence::Optional) markOptional(out, from, p == f.pointDefault);
        if (f.presence == Presence::Implied) out.impliedSince(from, p == f.pointDefault);
        break;
      }
    }
    if (f.presence == Presence::Counted) out.impliedSince(from, true);
  }
}

// ---- reading

// Where a group code of a record goes: the field, and the component of a point.
struct CodeSlot {
  std::int16_t field = -1;
  std::uint8_t component = 0;
};

constexpr int kCodeLimit = 1000;  // extended data and above is never a field
constexpr int kRealSlots = 24;
constexpr int kIntSlots = 8;
constexpr int kTextSlots = 4;

// The values of one record while its tags go by; the last tag of a code wins.
struct Gathered {
  std::array<double, kRealSlots> reals{};
  std::array<int, kIntSlots> ints{};
  std::array<bool, kRealSlots> seen{};
  std::array<std::string, kTextSlots> texts;
};

template <class T, class S>
bool isRead(const Field<T, S>& f) {
  return f.setReal || f.setInt || f.setText || f.setPoint || f.setOptionalPoint ||
         f.setOptionalReal || f.take || f.consulted;
}

// A table prepared for reading: where each code goes and where each field's value is
// gathered until the record ends.
struct ReadPlan {
  std::array<CodeSlot, kCodeLimit> byCode{};
  std::vector<std::int8_t> slot;  // per field: its first slot, or -1
  std::array<double, kRealSlots> realDefaults{};
  std::array<int, kIntSlots> intDefaults{};
  std::vector<std::pair<int, std::string_view>> textDefaults;  // slot, default
  int reals = 0, ints = 0, texts = 0;

  template <class T, class S>
  explicit ReadPlan(std::span<const Field<T, S>> fields) {
    slot.assign(fields.size(), -1);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const auto& f = fields[i];
      if (!isRead(f)) continue;
      int component = 0;
      f.forEachCode([&](int code) {
        // One field per code: a table that says otherwise is a programming error.
        if (code < 0 || code >= kCodeLimit || byCode[code].field >= 0) std::abort();
        byCode[code] = {static_cast<std::int16_t>(i), static_cast<std::uint8_t>(component++)};
      });
      const int n = f.realSlots();
      if (n > 0) {
        slot[i] = static_cast<std::int8_t>(reals);
        const double point[3] = {f.pointDefault.x, f.pointDefault.y, f.pointDefault.z};
        for (int k = 0; k < n; ++k) realDefaults.at(reals++) = n == 1 ? f.realDefault : point[k];
      } else if (f.kind == Kind::Int) {
        slot[i] = static_cast<std::int8_t>(ints);
        intDefaults.at(ints++) = static_cast<int>(f.intDefault);
      } else if (f.kind == Kind::Text) {
        slot[i] = static_cast<std::int8_t>(texts);
        textDefaults.emplace_back(texts++, f.textDefault);
      }
    }
    if (texts > kTextSlots) std::abort();
  }
};

// What a record holds, by group code, once its tags went by (for making the object).
class Values {
 public:
  Values(const ReadPlan& plan, const Gathered& g) : plan_(plan), g_(g) {}
  int integer(int code) const { return g_.ints[plan_.slot[plan_.byCode[code].field]]; }
  const std::string& text(int code) const { return g_.texts[plan_.slot[plan_.byCode[code].field]]; }

 private:
  const ReadPlan& plan_;
  const Gathered& g_;
};

template <class T, class S = NoState>
struct Table {
  Table(std::string_view t, std::vector<Field<T, S>> f)
      : type(t), fields(std::move(f)), plan_(std::make_shared<const ReadPlan>(span())) {}

  std::string_view type;
  std::vector<Field<T, S>> fields;
  // The object for what the record holds; nullptr when this type does not model such a
  // record (it is then kept whole). Null: a default-made T.
  std::unique_ptr<T> (*create)(const Values&) = nullptr;
  // Before the tags: e.g. room for the vertices.
  void (*start)(S&, const Record&) = nullptr;
  // After the fields: what the groups gathered goes to the object; false when the object
  // cannot hold it (the record is then kept whole).
  bool (*finish)(T&, S&, const Record&, Decoder&) = nullptr;

  std::span<const Field<T, S>> span() const { return fields; }
  const ReadPlan& plan() const { return *plan_; }
  // The codes the type models and those of its runs.
  void layout(std::vector<int>& modelled, std::vector<int>& runs) const {
    for (const auto& f : fields) {
      if (f.kept) continue;
      f.forEachCode([&](int code) {
        auto& codes = f.run ? runs : modelled;
        if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
      });
    }
  }

 private:
  std::shared_ptr<const ReadPlan> plan_;
};

// Walks the record's data tags into `g` and the groups' state.
template <class T, class S>
void gather(const Table<T, S>& table, const Record& tags, Gathered& g, S& state, Decoder& decoder) {
  const ReadPlan& plan = table.plan();
  g.reals = plan.realDefaults;
  g.ints = plan.intDefaults;
  g.seen.fill(false);
  for (const auto& [slot, def] : plan.textDefaults) g.texts[slot].assign(def);
  if (table.start) table.start(state, tags);
  const Field<T, S>* fields = table.fields.data();
  detail::forDataTags(tags, [&](const Tag& t) {
    if (t.code < 0 || t.code >= kCodeLimit) return;
    const CodeSlot at = plan.byCode[t.code];
    if (at.field < 0) return;
    const Field<T, S>& f = fields[at.field];
    const int slot = plan.slot[at.field];
    switch (f.kind) {
      case Kind::Group:
        f.take(state, t, decoder);
        return;
      case Kind::Int:
        g.ints[slot] = detail::integer(t, static_cast<int>(f.intDefault));
        return;
      case Kind::Text:
        g.texts[slot] = decoder.text(t.value);
        return;
      default: {
        const int k = slot + at.component;
        g.reals[k] = detail::real(t, plan.realDefaults[k]);
        g.seen[k] = true;
        return;
      }
    }
  });
}

// Gives the gathered values to the object, field by field in the table's order.
template <class T, class S>
void apply(const Table<T, S>& table, Gathered& g, T& object) {
  const ReadPlan& plan = table.plan();
  for (std::size_t i = 0; i < table.fields.size(); ++i) {
    const Field<T, S>& f = table.fields[i];
    const int s = plan.slot[i];
    switch (f.kind) {
      case Kind::Real:
        if (f.setReal) f.setReal(object, g.reals[s]);
        break;
      case Kind::Int:
        if (f.setInt) f.setInt(object, g.ints[s]);
        break;
      case Kind::Text:
        if (f.setText) f.setText(object, std::move(g.texts[s]));
        break;
      case Kind::Point:
        if (f.setPoint) f.setPoint(object, {g.reals[s], g.reals[s + 1], g.reals[s + 2]});
        break;
      case Kind::OptionalPoint:
        if (!f.setOptionalPoint) break;
        if (g.seen[s] || g.seen[s + 1] || g.seen[s + 2]) {
          f.setOptionalPoint(object, geom::Point3d{g.reals[s], g.reals[s + 1], g.reals[s + 2]});
        } else {
          f.setOptionalPoint(object, std::nullopt);
        }
        break;
      case Kind::OptionalReal:
        if (!f.setOptionalReal) break;
        f.setOptionalReal(object, g.seen[s] ? std::optional<double>(g.reals[s]) : std::nullopt);
        break;
      default:
        break;
    }
  }
}

// Decodes a record into a new object; nullptr when the type does not model the record.
template <class T, class S>
std::unique_ptr<T> decodeNew(const Table<T, S>& table, const Record& tags, Decoder& decoder) {
  Gathered& g = decoder.gathered();
  S state{};
  gather(table, tags, g, state, decoder);
  std::unique_ptr<T> object;
  if (table.create) {
    object = table.create(Values(table.plan(), g));
  } else if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>) {
    object = std::make_unique<T>();
  }
  if (!object) return nullptr;
  apply(table, g, *object);
  if (table.finish && !table.finish(*object, state, tags, decoder)) return nullptr;
  return object;
}

// Decodes a record into an object that exists.
template <class T, class S>
void decodeInto(const Table<T, S>& table, const Record& tags, T& object, Decoder& decoder) {
  Gathered& g = decoder.gathered();
  S state{};
  gather(table, tags, g, state, decoder);
  apply(table, g, object);
  if (table.finish) table.finish(object, state, tags, decoder);
}

}  // namespace dxf::table
