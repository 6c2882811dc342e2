// Tags of database objects as a fresh writer produces them, from the record types' tables.
// Every modelled field is produced, fields at their default value marked optional, so that
// the same list serves both new records and the rewrite of changed ones.

#include <cstdio>

#include "platform/cad/database.h"
#include "platform/dxf/record_codec.h"
#include "platform/dxf/record_tables.h"

namespace dxf {

std::string handleText(cad::Handle h) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(h));
  return buffer;
}

void encodeEntity(const cad::Entity& e, const EncodeContext& context, std::string& type,
                  OutTags& out) {
  EncodeContext ctx = context;
  ctx.handle = e.id().handle();
  for (auto family : {table::simpleEntityCodecs(), table::curveEntityCodecs()}) {
    for (const table::EntityCodec& codec : family) {
      if (codec.kind != e.kind() && codec.otherKind != e.kind()) continue;
      type = codec.type;
      codec.encode(e, ctx, out);
      return;
    }
  }
  type = static_cast<const cad::OpaqueEntity&>(e).typeName();
  table::encodeFields(table::anyEntityTable().span(), e, ctx, out);
}

void encodeVertex(const cad::PolylineVertex& v, bool is3d, const EncodeContext& context,
                  cad::Handle handle, OutTags& out) {
  EncodeContext ctx = context;
  ctx.handle = handle;
  // Read only through the reference.
  const table::VertexRef ref{const_cast<cad::PolylineVertex*>(&v), is3d};
  table::encodeFields(table::vertexTable().span(), ref, ctx, out);
}

void encodeTableRecord(const cad::TableRecord& record, const EncodeContext& context,
                       std::string& type, OutTags& out) {
  EncodeContext ctx = context;
  ctx.handle = record.id().handle();
  type.clear();
  for (const table::EntryCodec& codec : table::entryCodecs()) {
    if (codec.kind != record.kind()) continue;
    type = codec.type;
    codec.encode(record, ctx, out);
    return;
  }
}

void encodeBlockBegin(const cad::BlockRecord& block, const EncodeContext& context,
                      cad::Handle handle, OutTags& out) {
  EncodeContext ctx = context;
  ctx.handle = handle;
  ctx.ownerOf = block.id().handle();
  table::BlockBegin begin{block.name(), block.basePoint(), block.flags(), {}};
  table::encodeFields(table::blockTable().span(), begin, ctx, out);
}

}  // namespace dxf
