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

// A subclass group: the tags from one "100" marker to the next (group 0 is what precedes
// the first marker). Groups of the generated record are matched to the original's by marker
// name and by their rank among groups of that name, never by position, since files differ
// in which subclass groups they carry and in what order.
struct GenGroup {
  std::string_view name;
  std::vector<const OutTag*> tags;
  std::vector<bool> done;
  // The original group whose tags it merges with; kNone when the original has no group of
  // that name, which makes it a new group written at the end.
  std::size_t home = 0;
};

struct OrigGroup {
  std::string_view name;
  std::vector<int> codes;
};

constexpr std::size_t kNone = SIZE_MAX;

// The record's identity, not a field of the object: kept as the file had it, neither
// added nor dropped.
bool isHeadCode(int code) { return code == 5 || code == 105 || code == 330; }

// Calls `visit(i, tag, depth)` for the data tags of a record before its extended data,
// with the nesting depth of "102 {" application groups.
template <class Visit>
void walkData(std::span<const Tag> tags, Visit visit) {
  int depth = 0;
  for (std::size_t i = 1; i < tags.size() && tags[i].code < 1000; ++i) {
    const Tag& t = tags[i];
    if (t.code == 102) {
      depth += (!t.value.empty() && t.value.front() == '{') ? 1 : (depth > 0 ? -1 : 0);
      continue;
    }
    visit(t, depth);
  }
}

class Merger {
 public:
  Merger(std::span<const Tag> original, std::string_view source, const OutTags& generated,
         const RecordLayout& layout, const TextEncoding& encoding, TagWriter& out)
      : orig_(original), source_(source), layout_(layout), encoding_(encoding), out_(out) {
    gen_.emplace_back();
    for (const OutTag& t : generated.tags) {
      if (t.code == 100) gen_.emplace_back().name = t.text;
      gen_.back().tags.push_back(&t);
      gen_.back().done.push_back(false);
    }
    orig_groups_.emplace_back();
    walkData(orig_, [&](const Tag& t, int depth) {
      if (depth > 0) return;
      if (t.code == 100) orig_groups_.emplace_back().name = t.value;
      orig_groups_.back().codes.push_back(t.code);
    });
    matchGroups();
  }

  void run();

 private:
  void matchGroups();
  bool originalHas(int code) const;
  bool originalGroupHas(std::size_t g, int code) const;
  void flushGroup(GenGroup& group, std::size_t upTo, bool onlyMissing);
  void finishGroup(std::size_t g);
  void writeNewGroups();
  std::size_t mergeRun(std::size_t i);
  bool sameContent(std::span<const Tag> original, const std::vector<const OutTag*>& run) const;
  void mergeScalar(const Tag& t);
  bool takeFrom(GenGroup& group, const Tag& t);

  std::span<const Tag> orig_;
  std::string_view source_;
  const RecordLayout& layout_;
  const TextEncoding& encoding_;
  TagWriter& out_;
  std::vector<GenGroup> gen_;
  std::vector<OrigGroup> orig_groups_;
  bool flat_ = false;  // one side has no subclass markers: both are merged as one group
  std::size_t group_ = 0;
};

void Merger::matchGroups() {
  // A file without markers keeps having none, and a record generated without them (an old
  // file's form) leaves the file's markers alone.
  flat_ = orig_groups_.size() == 1 || gen_.size() == 1;
  for (std::size_t k = 0; k < gen_.size(); ++k) {
    GenGroup& group = gen_[k];
    if (k > 0) group.done[0] = true;  // markers: the original's are copied
    if (flat_) {
      group.home = 0;
      continue;
    }
    std::size_t rank = 0;
    for (std::size_t j = 0; j < k; ++j) rank += gen_[j].name == group.name ? 1 : 0;
    std::size_t home = kNone;
    for (std::size_t g = 0; g < orig_groups_.size(); ++g) {
      if (orig_groups_[g].name != group.name) continue;
      home = g;  // the last of that name takes what the original has fewer groups for
      if (rank-- == 0) break;
    }
    group.home = home;
    if (home == kNone && k > 0) group.done[0] = false;
  }
  for (GenGroup& group : gen_) {
    for (std::size_t n = 0; n < group.tags.size(); ++n) {
      const int code = group.tags[n]->code;
      // Codes the layout does not give the object (the dummy point's x and y of a POLYLINE)
      // are the file's; a missing handle or owner is not made up.
      if ((isHeadCode(code) && !originalHas(code)) ||
          (code != 100 && !layout_.models(code) && !layout_.inRun(code))) {
        group.done[n] = true;
      }
    }
  }
}

bool Merger::originalHas(int code) const {
  for (const OrigGroup& g : orig_groups_) {
    if (std::find(g.codes.begin(), g.codes.end(), code) != g.codes.end()) return true;
  }
  return false;
}

bool Merger::originalGroupHas(std::size_t g, int code) const {
  if (flat_) return originalHas(code);
  if (g >= orig_groups_.size()) return false;
  const auto& codes = orig_groups_[g].codes;
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// Writes the group's pending tags before `upTo`; with `onlyMissing`, only those whose code
// the original group lacks (the others are still to come from the original's order).
// Tags written here are ones the original lacks, so those a reader implies stay out,
// except in a group that is new as a whole.
void Merger::flushGroup(GenGroup& group, std::size_t upTo, bool onlyMissing) {
  upTo = std::min(upTo, group.tags.size());
  const bool fresh = group.home == kNone;
  for (std::size_t k = 0; k < upTo; ++k) {
    if (group.done[k]) continue;
    const OutTag& t = *group.tags[k];
    if (onlyMissing && originalGroupHas(group.home, t.code)) continue;
    group.done[k] = true;
    if (!t.optional && (fresh || !t.implied)) writeOutTag(t, encoding_, out_);
  }
}

void Merger::finishGroup(std::size_t g) {
  for (GenGroup& group : gen_) {
    if (group.home == g) flushGroup(group, SIZE_MAX, false);
  }
}

// Groups the original does not have, after all of its own: written only when they hold
// something that is not at its default.
void Merger::writeNewGroups() {
  for (GenGroup& group : gen_) {
    if (group.home != kNone) continue;
    bool needed = false;
    for (std::size_t k = 1; k < group.tags.size(); ++k) {
      needed = needed || (!group.done[k] && !group.tags[k]->optional);
    }
    if (!needed) continue;
    std::fill(group.done.begin(), group.done.end(), false);
    flushGroup(group, SIZE_MAX, false);
  }
}

std::size_t Merger::mergeRun(std::size_t i) {
  std::size_t j = i;
  while (j < orig_.size() && layout_.inRun(orig_[j].code)) ++j;
  std::vector<const OutTag*> run;
  for (GenGroup& group : gen_) {
    if (group.home != group_ && !(group.home == kNone && !flat_)) continue;
    std::size_t k = 0;
    while (k < group.tags.size() && (group.done[k] || !layout_.inRun(group.tags[k]->code))) ++k;
    if (k == group.tags.size()) continue;
    if (group.home == group_) flushGroup(group, k, true);
    while (k < group.tags.size() && layout_.inRun(group.tags[k]->code)) {
      run.push_back(group.tags[k]);
      group.done[k] = true;
      ++k;
    }
    break;
  }
  if (sameContent(orig_.subspan(i, j - i), run)) {
    for (std::size_t n = i; n < j; ++n) out_.copy(source_, orig_[n]);
    return j;
  }
  // Tag by tag where the shapes agree (optional generated tags may be missing from the
  // original), so that unchanged values keep their bytes.
  std::vector<std::pair<const Tag*, const OutTag*>> pairs;
  std::size_t o = i;
  bool sameShape = true;
  for (const OutTag* t : run) {
    if (o < j && orig_[o].code == t->code) {
      pairs.emplace_back(&orig_[o++], t);
    } else if (t->optional) {
      continue;
    } else {
      sameShape = false;
      break;
    }
  }
  sameShape = sameShape && o == j;
  if (sameShape) {
    for (const auto& [original, generated] : pairs) {
      if (sameValue(*original, *generated, encoding_)) {
        out_.copy(source_, *original);
      } else {
        writeOutTag(*generated, encoding_, out_);
      }
    }
  } else {
    for (const OutTag* t : run) {
      if (!t->optional) writeOutTag(*t, encoding_, out_);
    }
  }
  return j;
}

// The run holds the same values per group code as the original, in whatever interleaving
// the file used (weights after each control point or all together); a code the original
// lacks only counts when the object has it away from its default.
bool Merger::sameContent(std::span<const Tag> original,
                         const std::vector<const OutTag*>& run) const {
  std::vector<int> codes;
  for (const OutTag* t : run) {
    if (std::find(codes.begin(), codes.end(), t->code) == codes.end()) codes.push_back(t->code);
  }
  for (const Tag& t : original) {
    if (std::find(codes.begin(), codes.end(), t.code) == codes.end()) return false;
  }
  for (int code : codes) {
    std::size_t o = 0;
    bool any =
        std::any_of(original.begin(), original.end(), [&](const Tag& t) { return t.code == code; });
    for (const OutTag* t : run) {
      if (t->code != code) continue;
      if (!any) {
        if (!t->optional) return false;
        continue;
      }
      while (o < original.size() && original[o].code != code) ++o;
      if (o == original.size() || !sameValue(original[o], *t, encoding_)) return false;
      ++o;
    }
    while (o < original.size() && original[o].code != code) ++o;
    if (o < original.size()) return false;
  }
  return true;
}

bool Merger::takeFrom(GenGroup& group, const Tag& t) {
  for (std::size_t k = 0; k < group.tags.size(); ++k) {
    if (group.done[k] || group.tags[k]->code != t.code) continue;
    if (group.home == group_) flushGroup(group, k, true);
    group.done[k] = true;
    if (sameValue(t, *group.tags[k], encoding_)) {
      out_.copy(source_, t);
    } else {
      writeOutTag(*group.tags[k], encoding_, out_);
    }
    return true;
  }
  return false;
}

void Merger::mergeScalar(const Tag& t) {
  for (GenGroup& group : gen_) {
    if (group.home == group_ && takeFrom(group, t)) return;
  }
  // A field the file keeps in a subclass group of its own that the object writes
  // elsewhere (an ARC without its "AcDbArc" marker): the value stays where the file has it.
  for (GenGroup& group : gen_) {
    if (group.home == kNone && takeFrom(group, t)) return;
  }
  if (isHeadCode(t.code) || (!flat_ && orig_groups_[group_].name.empty() && group_ > 0)) {
    out_.copy(source_, t);
    return;
  }
  bool modelledHere = false;
  for (const GenGroup& group : gen_) modelledHere = modelledHere || group.home == group_;
  // A subclass the object does not model: its tags are not ours to drop. Otherwise the
  // object has no such field any more, and the tag goes.
  if (!modelledHere) out_.copy(source_, t);
}

void Merger::run() {
  out_.copy(source_, orig_[0]);
  int depth = 0;
  std::size_t i = 1;
  while (i < orig_.size()) {
    const Tag& t = orig_[i];
    if (t.code >= 1000) break;
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
      if (!flat_) {
        finishGroup(group_);
        ++group_;
      }
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
  finishGroup(group_);
  writeNewGroups();
  for (; i < orig_.size(); ++i) out_.copy(source_, orig_[i]);
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
