#pragma once
// Rewriting a changed record: the tags of the record as read, with the modelled codes
// taking the object's values. A tag whose value did not change keeps its original bytes;
// tags the database does not model (application data, extended data, unknown codes,
// reactors) stay where they were.

#include <span>

#include "platform/dxf/out_tags.h"
#include "platform/dxf/record_codec.h"
#include "platform/dxf/tag_writer.h"
#include "platform/dxf/text_codec.h"

namespace dxf {

// `original` is the record as read ("0 TYPE" first); `generated` the object's tags
// without the type tag. Both are written through `out` in the file's form.
void mergeRecord(std::span<const Tag> original, std::string_view source, const OutTags& generated,
                 const RecordLayout& layout, const TextEncoding& encoding, TagWriter& out);

// Writes a generated tag in the file's form and encoding.
void writeOutTag(const OutTag& tag, const TextEncoding& encoding, TagWriter& out);
// Writes a whole new record: "0 type" and every generated tag that is not optional.
void writeNewRecord(std::string_view type, const OutTags& generated, const TextEncoding& encoding,
                    TagWriter& out);

}  // namespace dxf
