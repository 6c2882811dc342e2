#pragma once
// The record tables of the drawing's types, what the tables of one family share (the head
// of every entity, thickness and normal) and how the reader and writer find them.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dxf/record_table.h"

namespace dxf::table {

// What the entity tables share: the head every entity record starts with.
template <class T, class S>
void entityHead(std::vector<Field<T, S>>& out) {
  using B = Fields<T, S>;
  out.push_back(B::handle());
  out.push_back(B::owner());
  out.push_back(B::marker("AcDbEntity"));
  out.push_back(B::text(
      8, [](const T& e) -> std::string_view { return e.layer(); },
      [](T& e, std::string v) { e.setLayer(std::move(v)); }, "0"));
  out.push_back(B::text(
      6, [](const T& e) -> std::string_view { return e.linetype(); },
      [](T& e, std::string v) { e.setLinetype(std::move(v)); }, "ByLayer", Presence::Optional));
  out.push_back(B::optionalInt(
      62, [](const T& e) -> std::int64_t { return e.colour(); },
      [](T& e, int v) { e.setColour(v); }, cad::kColourByLayer));
  out.push_back(B::optionalReal(
      48, [](const T& e) { return e.linetypeScale(); },
      [](T& e, double v) { e.setLinetypeScale(v); }, 1.0));
}

template <class T, class S = NoState>
Table<T, S> entityTable(std::string_view type, std::vector<Field<T, S>> own) {
  std::vector<Field<T, S>> fields;
  entityHead(fields);
  fields.insert(fields.end(), own.begin(), own.end());
  return Table<T, S>(type, std::move(fields));
}

// Entities whose thickness and normal are an Extrusion.
template <class T, class S = NoState>
Field<T, S> thickness() {
  return Fields<T, S>::optionalReal(
      39, [](const T& e) { return e.extrusion().thickness; },
      [](T& e, double v) {
        cad::Extrusion x = e.extrusion();
        x.thickness = v;
        e.setExtrusion(x);
      });
}
template <class T, class S = NoState>
Field<T, S> extrusionNormal() {
  return Fields<T, S>::normal(
      [](const T& e) {
        const geom::Vector3d n = e.extrusion().normal;
        return geom::Point3d{n.x, n.y, n.z};
      },
      [](T& e, geom::Point3d p) {
        cad::Extrusion x = e.extrusion();
        x.normal = {p.x, p.y, p.z};
        e.setExtrusion(x);
      });
}

inline geom::Point3d asPoint(const geom::Vector3d& v) { return {v.x, v.y, v.z}; }
inline geom::Vector3d asVector(const geom::Point3d& p) { return {p.x, p.y, p.z}; }

// One entity type's table behind the record type and object kind that select it.
struct EntityCodec {
  std::string_view type;
  cad::ObjectKind kind;
  cad::ObjectKind otherKind;  // POLYLINE: 2-D and 3-D; else the same kind
  std::unique_ptr<cad::Entity> (*decode)(const Record&, Decoder&);
  void (*encode)(const cad::Entity&, const EncodeContext&, OutTags&);
  void (*layout)(std::vector<int>& modelled, std::vector<int>& runs);
};

template <class T, class S, const Table<T, S>& (*table)()>
EntityCodec entityCodec(cad::ObjectKind kind, cad::ObjectKind otherKind) {
  EntityCodec c;
  c.type = table().type;
  c.kind = kind;
  c.otherKind = otherKind;
  c.decode = [](const Record& tags, Decoder& d) -> std::unique_ptr<cad::Entity> {
    return decodeNew(table(), tags, d);
  };
  c.encode = [](const cad::Entity& e, const EncodeContext& ctx, OutTags& out) {
    encodeFields(table().span(), static_cast<const T&>(e), ctx, out);
  };
  c.layout = [](std::vector<int>& m, std::vector<int>& r) { table().layout(m, r); };
  return c;
}

// A vertex of an old-style polyline, and whether the polyline is a 3-D one.
struct VertexRef {
  cad::PolylineVertex* v = nullptr;
  bool is3d = false;
};
const Table<VertexRef>& vertexTable();

// The entity tables by family.
std::span<const EntityCodec> simpleEntityCodecs();
std::span<const EntityCodec> curveEntityCodecs();
// Any other entity: only the common properties are the database's.
const Table<cad::Entity>& anyEntityTable();

// Symbol table entries.
struct EntryCodec {
  std::string_view type;
  cad::ObjectKind kind;
  std::unique_ptr<cad::TableRecord> (*decode)(const Record&, Decoder&);
  void (*encode)(const cad::TableRecord&, const EncodeContext&, OutTags&);
  void (*layout)(std::vector<int>& modelled, std::vector<int>& runs);
};
std::span<const EntryCodec> entryCodecs();

// What a BLOCK record holds.
struct BlockBegin {
  std::string name;
  geom::Point3d base;
  int flags = 0;
  std::string description;
};
const Table<BlockBegin, std::string>& blockTable();

}  // namespace dxf::table
