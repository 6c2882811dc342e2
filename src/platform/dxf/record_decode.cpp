#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/dxf/decode_util.h"
#include "platform/dxf/file_image.h"
#include "platform/dxf/record_codec.h"
#include "platform/dxf/record_tables.h"
#include "platform/win/utf8.h"

namespace dxf {
using namespace detail;

Decoder::Decoder(const TextEncoding& encoding, const FileImage* image)
    : encoding_(encoding), image_(image), gathered_(std::make_unique<table::Gathered>()) {}

Decoder::~Decoder() = default;

std::string Decoder::text(std::string_view raw) {
  // Names repeat (layers, styles) and are decoded once; a long value is decoded straight
  // into the one string that keeps it.
  constexpr std::size_t kCached = 256;
  if (raw.size() > kCached) return longText(raw);
  if (raw == lastRaw_) return lastText_;
  lastRaw_.assign(raw);
  lastText_ = decodeText(raw, encoding_);
  return lastText_;
}

namespace {

// Where a piece of a long value may end, at most `limit` bytes on from `pos`: after a byte
// below '0' other than '+' (which an escape \U+XXXX carries), since no code page uses such
// a byte inside a character; or, in text of ASCII only, anywhere clear of a backslash that
// could start an escape. `pos` when there is no such place.
std::size_t pieceEnd(std::string_view raw, std::size_t pos, std::size_t limit) {
  const std::size_t last = std::min(raw.size(), pos + limit);
  for (std::size_t end = last; end > pos; --end) {
    const auto c = static_cast<unsigned char>(raw[end - 1]);
    if (c < '0' && c != '+') return end;
  }
  const std::string_view piece = raw.substr(pos, last - pos);
  if (std::any_of(piece.begin(), piece.end(), [](char c) { return c & 0x80; })) return pos;
  constexpr std::size_t kLongestEscape = 16;
  std::size_t end = last;
  while (end > pos + kLongestEscape) {
    // Within the piece only: what lies before it is decoded and let go already.
    const std::size_t slash = raw.substr(pos, end - pos).rfind('\\');
    if (slash == std::string_view::npos || pos + slash + kLongestEscape < end) return end;
    end = pos + slash;
  }
  return pos;
}

}  // namespace

// A value of many megabytes is decoded in pieces that decode as they would within the
// whole, and the bytes of each piece are let go once it is decoded: the value is in memory
// about once, not twice.
std::string Decoder::longText(std::string_view raw) {
  constexpr std::size_t kPiece = 4u << 20;
  const std::optional<std::size_t> offset = image_ ? image_->offsetOf(raw) : std::nullopt;
  if (raw.size() <= kPiece || !offset) return decodeText(raw, encoding_);
  std::string out;
  std::size_t pos = 0;
  while (pos < raw.size()) {
    std::size_t end = raw.size() - pos > kPiece ? pieceEnd(raw, pos, kPiece) : raw.size();
    if (end == pos) end = raw.size();  // no place to cut: the rest at once
    if (pos == 0 && end == raw.size()) {
      out = decodeText(raw, encoding_);
    } else {
      if (pos == 0) out.reserve(raw.size());
      out += decodeText(raw.substr(pos, end - pos), encoding_);
    }
    image_->release(*offset + pos, *offset + end);
    pos = end;
  }
  return out;
}

RecordHead Decoder::head(const Record& tags) {
  RecordHead head;
  bool ownerSeen = false, handleSeen = false;
  // a dimension style's handle is its group 105; its group 5 is the arrow block's name
  const bool dimStyle = !tags.empty() && tags.front().value == "DIMSTYLE";
  forDataTags(tags, [&](const Tag& t) {
    if ((t.code == 105 || (t.code == 5 && !dimStyle)) && !handleSeen) {
      handleSeen = true;
      head.handle = parseHandle(t.value);
      // Empty or 0 is how some writers say "no handle", and the record is given one
      // quietly; anything else that is no handle is a damage the reader reports.
      const std::string_view text = win::trimView(t.value);
      if (head.handle == 0 && text.find_first_not_of('0') != std::string_view::npos)
        head.badHandle = win::sanitizeUtf8(text);
    }
    if (t.code == 330 && !ownerSeen) {
      head.owner = parseHandle(t.value);
      ownerSeen = true;
    }
    if (t.code == 67) head.paperSpace = integer(t) == 1;
    if (t.code == 66) head.hasVerticesFollow = integer(t) == 1;
  });
  return head;
}

std::unique_ptr<cad::Entity> Decoder::entity(const Record& tags, RecordHead& head) {
  head = this->head(tags);
  const std::string_view type = tags.front().value;
  for (auto family : {table::simpleEntityCodecs(), table::curveEntityCodecs()}) {
    for (const table::EntityCodec& codec : family) {
      if (codec.type != type) continue;
      if (auto e = codec.decode(tags, *this)) return e;
      break;  // a record of the type that the type's model cannot hold: kept whole
    }
  }
  return opaqueEntity(tags, head);
}

std::unique_ptr<cad::Entity> Decoder::opaqueEntity(const Record& tags, RecordHead& head) {
  head = this->head(tags);
  auto opaque = std::make_unique<cad::OpaqueEntity>(std::string(tags.front().value));
  const auto& any = table::anyEntityTable();
  table::NoState none;
  table::gather(any, tags, *gathered_, none, *this);
  table::apply(any, *gathered_, static_cast<cad::Entity&>(*opaque));
  return opaque;
}

void Decoder::vertex(const Record& tags, cad::PolylineVertex& v, RecordHead& head) {
  head = this->head(tags);
  table::VertexRef ref{&v, false};
  table::decodeInto(table::vertexTable(), tags, ref, *this);
}

std::unique_ptr<cad::TableRecord> Decoder::tableRecord(const Record& tags, RecordHead& head) {
  head = this->head(tags);
  const std::string_view type = tags.front().value;
  for (const table::EntryCodec& codec : table::entryCodecs()) {
    if (codec.type == type) return codec.decode(tags, *this);
  }
  return nullptr;
}

void Decoder::block(const Record& tags, std::string& name, geom::Point3d& base, int& flags,
                    std::string& description) {
  table::BlockBegin begin;
  table::decodeInto(table::blockTable(), tags, begin, *this);
  name = std::move(begin.name);
  base = begin.base;
  flags = begin.flags;
  description = std::move(begin.description);
}

}  // namespace dxf
