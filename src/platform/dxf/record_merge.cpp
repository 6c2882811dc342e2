#include "platform/dxf/record_merge.h"

#include <algorithm>
#include <vector>

#include "platform/dxf/decode_util.h"
#include "platform/dxf/group_codes.h"

namespace dxf {
namespace {

bool sameValue(const Tag& original, const OutTag& generated, const TextEncoding& encoding) {
  switch (generated.kind) {
    case OutTag::Kind::Real:
      return realOf(original) == generated.real;
    case OutTag::Kind::Integer:
      return integerOf(original) == generated.integer;
    case OutTag::Kind::Handle:
      return detail::parseHandle(original.value) == static_cast<cad::Handle>(generated.integer);
    case OutTag::Kind::Text:
      return decodeText(original.value, encoding) == generated.text;
  }
  return false;
}

// The generated tags split at their subclass markers: group 0 is what precedes the first
// marker, group k starts with the k-th marker.
struct Group {
  std::vector<const OutTag*> tags;
  std::vector<bool> done;
};

class Merger {
 public:
  Merger(std::span<const Tag> original, std::string_view source, const OutTags& generated,
         const RecordLayout& layout, const TextEncoding& encoding, TagWriter& out)
      : orig_(original), source_(source), layout_(layout), encoding_(encoding), out_(out) {
    groups_.emplace_back();
    for (const OutTag& t : generated.tags) {
      if (t.code == 100) groups_.emplace_back();
      groups_.back().tags.push_back(&t);
      groups_.back().done.push_back(false);
    }
  }

  void run();

 private:
  void enterGroup(std::size_t g);
  void flushGroup(std::size_t g, std::size_t upTo, bool onlyMissing);
  void flushFrom(std::size_t g);
  std::size_t mergeRun(std::size_t i);
  void mergeScalar(const Tag& t);
  bool originalHasCode(std::size_t g, int code) const;

  std::span<const Tag> orig_;
  std::string_view source_;
  const RecordLayout& layout_;
  const TextEncoding& encoding_;
  TagWriter& out_;
  std::vector<Group> groups_;
  std::vector<std::vector<int>> originalCodes_;  // codes present per original group
  std::size_t group_ = 0;
};

bool Merger::originalHasCode(std::size_t g, int code) const {
  if (g >= originalCodes_.size()) return false;
  const auto& codes = originalCodes_[g];
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

void Merger::flushGroup(std::size_t g, std::size_t upTo, bool onlyMissing) {
  if (g >= groups_.size()) return;
  Group& group = groups_[g];
  upTo = std::min(upTo, group.tags.size());
  for (std::size_t k = 0; k < upTo; ++k) {
    if (group.done[k]) continue;
    const OutTag& t = *group.tags[k];
    if (onlyMissing && originalHasCode(g, t.code)) continue;
    group.done[k] = true;
    if (!t.optional) writeOutTag(t, encoding_, out_);
  }
}

void Merger::flushFrom(std::size_t g) {
  flushGroup(g, SIZE_MAX, false);
  for (std::size_t k = g + 1; k < groups_.size(); ++k) flushGroup(k, SIZE_MAX, false);
  group_ = groups_.size();
}

std::size_t Merger::mergeRun(std::size_t i) {
  std::size_t j = i;
  while (j < orig_.size() && layout_.inRun(orig_[j].code)) ++j;
  std::vector<const OutTag*> run;
  if (group_ < groups_.size()) {
    Group& group = groups_[group_];
    std::size_t k = 0;
    while (k < group.tags.size() && (group.done[k] || !layout_.inRun(group.tags[k]->code))) ++k;
    flushGroup(group_, k, true);
    while (k < group.tags.size() && layout_.inRun(group.tags[k]->code)) {
      run.push_back(group.tags[k]);
      group.done[k] = true;
      ++k;
    }
  }
  bool sameShape = run.size() == j - i;
  for (std::size_t n = 0; sameShape && n < run.size(); ++n) {
    sameShape = run[n]->code == orig_[i + n].code;
  }
  if (sameShape) {
    for (std::size_t n = 0; n < run.size(); ++n) {
      if (sameValue(orig_[i + n], *run[n], encoding_)) {
        out_.copy(source_, orig_[i + n]);
      } else {
        writeOutTag(*run[n], encoding_, out_);
      }
    }
  } else {
    for (const OutTag* t : run) writeOutTag(*t, encoding_, out_);
  }
  return j;
}

void Merger::mergeScalar(const Tag& t) {
  if (group_ >= groups_.size()) {
    // A subclass the object does not model: its tags are not ours to drop.
    out_.copy(source_, t);
    return;
  }
  Group& group = groups_[group_];
  for (std::size_t k = 0; k < group.tags.size(); ++k) {
    if (group.done[k] || group.tags[k]->code != t.code) continue;
    flushGroup(group_, k, true);
    group.done[k] = true;
    if (sameValue(t, *group.tags[k], encoding_)) {
      out_.copy(source_, t);
    } else {
      writeOutTag(*group.tags[k], encoding_, out_);
    }
    return;
  }
  // The object's subclass has no such field any more: the tag goes.
}

void Merger::run() {
  // Which codes the original has in each subclass group, to know where to insert.
  originalCodes_.emplace_back();
  int depth = 0;
  for (std::size_t i = 1; i < orig_.size() && orig_[i].code < 1000; ++i) {
    const Tag& t = orig_[i];
    if (t.code == 102) {
      depth += (!t.value.empty() && t.value.front() == '{') ? 1 : (depth > 0 ? -1 : 0);
      continue;
    }
    if (depth > 0) continue;
    if (t.code == 100) originalCodes_.emplace_back();
    originalCodes_.back().push_back(t.code);
  }

  out_.copy(source_, orig_[0]);
  depth = 0;
  std::size_t i = 1;
  while (i < orig_.size()) {
    const Tag& t = orig_[i];
    if (t.code >= 1000) {
      flushFrom(group_);
      for (; i < orig_.size(); ++i) out_.copy(source_, orig_[i]);
      return;
    }
    if (t.code == 102) {
      depth += (!t.value.empty() && t.value.front() == '{') ? 1 : (depth > 0 ? -1 : 0);
      out_.copy(source_, t);
      ++i;
      continue;
    }
    if (depth > 0) {
      out_.copy(source_, t);
      ++i;
      continue;
    }
    if (t.code == 100) {
      flushGroup(group_, SIZE_MAX, false);
      ++group_;
      if (group_ < groups_.size()) groups_[group_].done[0] = true;
      out_.copy(source_, t);
      ++i;
      continue;
    }
    if (layout_.inRun(t.code)) {
      i = mergeRun(i);
      continue;
    }
    if (layout_.models(t.code)) {
      mergeScalar(t);
    } else {
      out_.copy(source_, t);
    }
    ++i;
  }
  flushFrom(group_);
}

}  // namespace

void writeOutTag(const OutTag& tag, const TextEncoding& encoding, TagWriter& out) {
  switch (tag.kind) {
    case OutTag::Kind::Real:
      out.real(tag.code, tag.real);
      return;
    case OutTag::Kind::Integer:
      out.integer(tag.code, tag.integer);
      return;
    case OutTag::Kind::Handle:
      out.text(tag.code, handleText(static_cast<cad::Handle>(tag.integer)));
      return;
    case OutTag::Kind::Text:
      out.text(tag.code, encodeText(tag.text, encoding));
      return;
  }
}

void writeNewRecord(std::string_view type, const OutTags& generated, const TextEncoding& encoding,
                    TagWriter& out) {
  out.text(0, type);
  for (const OutTag& t : generated.tags) {
    if (!t.optional) writeOutTag(t, encoding, out);
  }
}

void mergeRecord(std::span<const Tag> original, std::string_view source, const OutTags& generated,
                 const RecordLayout& layout, const TextEncoding& encoding, TagWriter& out) {
  Merger(original, source, generated, layout, encoding, out).run();
}

}  // namespace dxf
