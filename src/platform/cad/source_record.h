#pragma once
// What a file reader keeps of an object it read (original tags, bytes, ...), opaque to the
// database. The file format layer subclasses it; the database only carries it along, also
// into clones, so that whatever the database does not model survives a round trip.

#include <memory>

#include "platform/cad/object_id.h"

namespace cad {

class SourceRecord {
 public:
  virtual ~SourceRecord() = default;
};

using SourcePtr = std::shared_ptr<const SourceRecord>;

// A record that belongs to an object without being an object of its own: the VERTEX and
// SEQEND records of an old-style polyline, the ATTRIB and SEQEND records of a block
// reference, the BLOCK and ENDBLK records of a block definition. Its handle is reserved in
// the database so that fresh handles never collide with it.
struct SubRecord {
  Handle handle = 0;
  SourcePtr source;
};

}  // namespace cad
