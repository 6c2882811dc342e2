#include "ruvo/section/data_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "platform/win/utf8.h"
#include "ruvo/section/text_format.h"

namespace ruvo {

namespace {

constexpr std::size_t kMaxTextBytes = 511;
constexpr std::string_view kNotice = "本数据文件由Kestra切剖面软件生成";

std::string note(const char* format, std::size_t line) {
  char buf[160];
  std::snprintf(buf, sizeof buf, format, static_cast<unsigned long>(line));
  return buf;
}

// Length of the GB18030 character starting at `pos` (a broken one counts as one byte).
std::size_t gbCharLength(std::string_view s, std::size_t pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x81 || b0 == 0xFF || pos + 1 >= s.size()) return 1;
  const auto b1 = static_cast<unsigned char>(s[pos + 1]);
  if (b1 >= 0x30 && b1 <= 0x39) return pos + 3 < s.size() ? 4 : 1;
  return 2;
}

class Reader {
 public:
  Reader(std::string_view bytes, SectionFileContent& out, SectionReadOptions options)
      : out_(out), options_(options) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
      utf8_ = true;
      bytes.remove_prefix(3);
    } else {
      // Editors save UTF-8 without the mark; Chinese GBK text is practically never valid
      // UTF-8, so valid UTF-8 with a non-ASCII byte is read as such, not garbled as GBK.
      const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
      utf8_ = !ascii && win::isValidUtf8(bytes);
    }
    while (!bytes.empty()) {
      const std::size_t nl = bytes.find('\n');
      std::string_view line = bytes.substr(0, nl);
      if (line.ends_with('\r')) line.remove_suffix(1);
      lines_.push_back(line);
      bytes.remove_prefix(nl == std::string_view::npos ? bytes.size() : nl + 1);
    }
  }

  DataFileResult run();

 private:
  DataFileResult refuse(std::string text) {
    DataFileResult r;
    r.status = DataFileStatus::Damaged;
    r.message = std::string(kMsgImportFailed);
    r.notes = std::move(notes_);
    r.notes.push_back(std::move(text));
    return r;
  }
  // The next line, or nullopt at the end of the file.
  std::optional<std::string_view> next() {
    if (at_ >= lines_.size()) return std::nullopt;
    return lines_[at_++];
  }
  std::size_t lineNo() const { return at_; }  // 1-based number of the line last taken
  std::optional<std::int64_t> count(std::string_view line) const {
    auto n = ParseInteger(win::trimView(line));
    if (!n || *n < 0 || *n > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return n;
  }
  std::string text(std::string_view raw);
  std::size_t point(std::string_view line, CDataStruct& p);
  bool vertex(std::string_view line, CPntList& v);
  DataFileResult readCount(std::int64_t& n);

  SectionFileContent& out_;
  SectionReadOptions options_;
  bool utf8_ = false;
  std::vector<std::string_view> lines_;
  std::size_t at_ = 0;
  std::vector<std::string> notes_;
  bool cutNoted_ = false;
};

std::string Reader::text(std::string_view raw) {
  if (raw.size() > kMaxTextBytes) {
    if (utf8_) {
      raw = win::cutAtCharBoundary(raw, kMaxTextBytes);
    } else {
      std::size_t end = 0;
      while (end < raw.size() && end + gbCharLength(raw, end) <= kMaxTextBytes) {
        end += gbCharLength(raw, end);
      }
      raw = raw.substr(0, end);
    }
    if (!cutNoted_) {
      notes_.push_back(note("\n命令:数据文件第%lu行的文字超过511字节，已截断\n", lineNo()));
      cutNoted_ = true;
    }
  }
  return utf8_ ? win::sanitizeUtf8(raw) : win::gbkToUtf8(raw);
}

std::string stripBlanks(std::string s) {
  std::erase_if(s,
                [](char c) { return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n'; });
  return s;
}

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t comma = line.find(',');
    fields.push_back(line.substr(0, comma));
    if (comma == std::string_view::npos) break;
    line.remove_prefix(comma + 1);
  }
  return fields;
}

std::optional<std::int32_t> asInt(std::string_view f) {
  auto n = ParseInteger(f);
  if (!n || *n < std::numeric_limits<std::int32_t>::min() ||
      *n > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(*n);
}

std::optional<std::uint32_t> asUnsigned(std::string_view f) {
  auto n = ParseInteger(f);
  if (!n || *n < 0 || *n > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(*n);
}

// The fields are taken in order, as a format reads them, into the working record `p`; a
// line that stops matching part-way leaves the rest of `p` as the previous line left it.
// The number of fields taken; a point needs at least its number, X, Y, elevation and
// distance.
std::size_t Reader::point(std::string_view line, CDataStruct& p) {
  const bool v38 = out_.version == SectionFileVersion::V38;
  const auto f = splitFields(line);
  const std::size_t fields = std::min<std::size_t>(f.size(), v38 ? 11u : 10u);
  std::size_t k = 0;
  for (; k < fields; ++k) {
    const std::string_view v = f[k];
    bool ok = true;
    auto real = [&](double& to) {
      const auto r = ParseReal(v);
      if ((ok = r.has_value())) to = *r;
    };
    auto whole = [&](std::uint32_t& to) {
      const auto u = asUnsigned(v);
      if ((ok = u.has_value())) to = *u;
    };
    switch (k) {
      case 0:
        if (const auto no = asInt(v); (ok = no.has_value())) p.nNo = *no;
        break;
      case 1:
        real(p.ptPos.x);
        break;
      case 2:
        real(p.ptPos.y);
        break;
      case 3:
        real(p.dHigh);
        break;
      case 4:
        real(p.dDist);
        break;
      case 5:
        whole(p.bDelete);
        break;
      case 6:
        p.strNote = stripBlanks(text(v));
        break;
      case 7:
        whole(p.bMark);
        break;
      case 8:
        whole(p.nType);
        break;
      case 9:
        p.strLayer = stripBlanks(text(v));
        break;
      case 10:
        whole(p.bRevised);
        break;
    }
    if (!ok) break;
  }
  p.ptPos.z = 0.0;
  if (!v38) p.bRevised = 0;
  return k;
}

bool Reader::vertex(std::string_view line, CPntList& v) {
  const auto f = splitFields(line);
  if (f.size() < 5) return false;
  const auto index = asUnsigned(f[0]);
  const auto x = ParseReal(f[1]), y = ParseReal(f[2]), dist = ParseReal(f[3]),
             bulge = ParseReal(f[4]);
  if (!index || !x || !y || !dist || !bulge) return false;
  v.nIndex = *index;
  v.ptPos = {*x, *y, 0.0};
  v.dDist = *dist;
  v.dBulge = *bulge;
  return true;
}

DataFileResult Reader::readCount(std::int64_t& n) {
  const auto line = next();
  if (!line) return refuse(note("\n命令:数据文件在第%lu行之前结束\n", lineNo() + 1));
  const auto value = count(*line);
  if (!value) return refuse(note("\n命令:数据文件第%lu行的个数不是数字\n", lineNo()));
  n = *value;
  return {};
}

DataFileResult Reader::run() {
  const auto magic = next();
  if (magic == "ZRK3.0") {
    out_.version = SectionFileVersion::V30;
  } else if (magic == "ZRK3.6") {
    out_.version = SectionFileVersion::V36;
  } else if (magic == "ZRK3.8") {
    out_.version = SectionFileVersion::V38;
  } else {
    DataFileResult r;
    r.status = DataFileStatus::NotOurFormat;
    r.message = std::string(kMsgNotOurFormat);
    return r;
  }
  const auto header = next();
  if (!header) return refuse(note("\n命令:数据文件在第%lu行之前结束\n", 2));
  const auto h = splitFields(*header);
  const auto xy = ParseReal(h[0]);
  const auto xs = h.size() > 1 ? ParseReal(h[1]) : std::nullopt;
  const auto ys = h.size() > 2 ? ParseReal(h[2]) : std::nullopt;
  if (!xy || !xs || !ys) return refuse(note("\n命令:数据文件第%lu行格式错误\n", lineNo()));
  out_.XYScale = *xy;
  out_.XScale = *xs;
  out_.YScale = *ys;
  out_.strPmName = h.size() > 3 ? text(h[3]) : std::string();

  std::int64_t n = 0;
  if (auto r = readCount(n); !r.ok()) return r;
  // Never trust a count for an allocation: a line holds at most one point.
  out_.points.clear();
  out_.points.reserve(std::min<std::size_t>(static_cast<std::size_t>(n), lines_.size()));
  bool renumbered = false, partial = false;
  const std::size_t full = out_.version == SectionFileVersion::V38 ? 11u : 10u;
  CDataStruct working;  // what a line leaves unmatched stays as the line before left it
  for (std::int64_t i = 0; i < n; ++i) {
    const auto line = next();
    if (!line) return refuse(note("\n命令:数据文件在第%lu行之前结束\n", lineNo() + 1));
    const std::size_t taken = point(*line, working);
    // A line that ends early (an older writer's, one cut by hand) keeps the rest of the
    // line before; a field that is there but no number, or a line without its number,
    // coordinates, elevation and distance, is damage.
    const std::size_t present = std::min<std::size_t>(splitFields(*line).size() - 1, full);
    if (taken < 5 || taken < present)
      return refuse(note("\n命令:数据文件第%lu行格式错误\n", lineNo()));
    if (taken < full && !partial) {
      notes_.push_back(note("\n命令:数据文件第%lu行不完整，缺少的数据沿用上一行\n", lineNo()));
      partial = true;
    }
    CDataStruct p = working;
    if (p.nNo != static_cast<std::int32_t>(i)) {
      p.nNo = static_cast<std::int32_t>(i);
      renumbered = true;
    }
    out_.points.push_back(std::move(p));
  }
  if (renumbered) notes_.push_back("\n命令:数据文件中的点号不连续，已按顺序重新编号\n");

  // A record where a list should have ended means its count is too small, and the rest would
  // be dropped silently. Both readers check the point list; the vertex part is only the
  // business of the readers that keep it.
  const auto recordFollows = [&](bool vertices) {
    if (at_ >= lines_.size()) return false;
    CDataStruct p;
    CPntList v;
    return vertices
               ? vertex(lines_[at_], v)
               : point(lines_[at_], p) >= (out_.version == SectionFileVersion::V38 ? 11u : 10u);
  };
  if (recordFollows(false)) {
    return refuse(note("\n命令:数据文件第%lu行：点数少于文件中的点\n", at_ + 1));
  }
  out_.vertices.clear();
  if (options_.readVertices && out_.version != SectionFileVersion::V30) {
    std::int64_t m = 0;
    if (auto r = readCount(m); !r.ok()) return r;
    out_.vertices.reserve(std::min<std::size_t>(static_cast<std::size_t>(m), lines_.size()));
    for (std::int64_t i = 0; i < m; ++i) {
      const auto line = next();
      if (!line) return refuse(note("\n命令:数据文件在第%lu行之前结束\n", lineNo() + 1));
      CPntList v;
      if (!vertex(*line, v)) return refuse(note("\n命令:数据文件第%lu行格式错误\n", lineNo()));
      out_.vertices.push_back(v);
    }
    if (recordFollows(true)) {
      return refuse(note("\n命令:数据文件第%lu行：顶点数少于文件中的顶点\n", at_ + 1));
    }
  }
  DataFileResult r;
  r.notes = std::move(notes_);
  return r;
}

// The comma separates the fields; a text keeps its meaning with the full-width comma in its
// place instead of losing what follows or running into the next word.
std::string withCommaStandIn(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    if (c == ',') {
      out += kCommaStandIn;
    } else {
      out += c;
    }
  }
  return out;
}

std::string cleanText(const std::string& s) { return stripBlanks(withCommaStandIn(s)); }

bool needsStandIn(std::string_view s, bool blanksToo) {
  return s.find(',') != std::string_view::npos ||
         (blanksToo && s.find_first_of(" \t") != std::string_view::npos);
}

}  // namespace

DataFileResult ParseSectionData(std::string_view bytes, SectionFileContent& out,
                                SectionReadOptions options) {
  SectionFileContent content;
  DataFileResult result = Reader(bytes, content, options).run();
  if (result.ok()) out = std::move(content);
  return result;
}

DataFileResult ReadSectionFile(const std::filesystem::path& file, SectionFileContent& out,
                               SectionReadOptions options) {
  std::string why;
  const auto bytes = win::readFileBytes(file, &why);
  if (!bytes) {
    DataFileResult r;
    r.status = DataFileStatus::CannotOpen;
    r.message = std::string(kMsgImportFailed);
    r.notes.push_back("\n命令:" + file.string() + " " + why + "\n");
    return r;
  }
  return ParseSectionData(*bytes, out, options);
}

DataFileResult LoadSectionFile(CDocData& doc, const std::filesystem::path& file) {
  SectionFileContent content;
  DataFileResult result = ReadSectionFile(file, content);
  if (!result.ok()) return result;
  doc.XYScale = content.XYScale;
  doc.XScale = content.XScale;
  doc.YScale = content.YScale;
  doc.strPmName = std::move(content.strPmName);
  doc.layerList.clear();
  for (const CDataStruct& p : content.points) {
    if (!p.strLayer.empty()) doc.layerList.push_back(p.strLayer);
  }
  SortUniqueLayers(doc.layerList);
  doc.pointList = std::move(content.points);
  doc.vertexList = std::move(content.vertices);
  doc.bFromDrawing = 0;
  return result;
}

std::string FormatSectionData(CDocData& doc, Edition edition) {
  const int xy = edition == Edition::Legacy ? 3 : 6;
  std::string title = withCommaStandIn(doc.strPmName);
  std::erase_if(title, [](char c) { return c == '\r' || c == '\n'; });
  std::string text = "ZRK3.8\n";
  text += FormatFixed(doc.XYScale, 3) + ',' + FormatFixed(doc.XScale, 3) + ',' +
          FormatFixed(doc.YScale, 3) + ',' + title + ",\n";
  text += std::to_string(doc.pointList.size()) + '\n';
  for (CDataStruct& p : doc.pointList) {
    p.strNote = cleanText(p.strNote);
    p.strLayer = cleanText(p.strLayer);
    text += std::to_string(p.nNo) + ',' + FormatFixed(p.ptPos.x, xy) + ',' +
            FormatFixed(p.ptPos.y, xy) + ',' + FormatFixed(p.dHigh, 3) + ',' +
            FormatFixed(p.dDist, 3) + ',' + std::to_string(p.bDelete) + ',' + p.strNote + " ," +
            std::to_string(p.bMark) + ',' + std::to_string(p.nType) + ',' + p.strLayer + " ," +
            std::to_string(p.bRevised) + ",\n";
  }
  text += std::to_string(doc.vertexList.size()) + '\n';
  for (const CPntList& v : doc.vertexList) {
    text += std::to_string(v.nIndex) + ',' + FormatFixed(v.ptPos.x, xy) + ',' +
            FormatFixed(v.ptPos.y, xy) + ',' + FormatFixed(v.dDist, 3) + ',' +
            FormatFixed(v.dBulge, 3) + ",\n";
  }
  text += kNotice;
  // Text mode on the home platform writes every line end as CR LF.
  std::string crlf;
  crlf.reserve(text.size() + doc.pointList.size() + doc.vertexList.size() + 8);
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return win::utf8ToGbk(crlf);
}

std::string UnwritableNumber(const CDocData& doc) {
  // Fixed notation of larger numbers is hundreds of digits that no reader of the format
  // expects; what is not finite would not read back at all.
  const auto bad = [](double v) { return !std::isfinite(v) || std::fabs(v) > 1e15; };
  if (bad(doc.XYScale) || bad(doc.XScale) || bad(doc.YScale)) return "a scale";
  for (const CDataStruct& p : doc.pointList) {
    if (bad(p.ptPos.x) || bad(p.ptPos.y) || bad(p.dHigh) || bad(p.dDist)) {
      return "point " + std::to_string(p.nNo);
    }
  }
  for (const CPntList& v : doc.vertexList) {
    if (bad(v.ptPos.x) || bad(v.ptPos.y) || bad(v.dDist) || bad(v.dBulge)) {
      return "section-line vertex " + std::to_string(v.nIndex);
    }
  }
  return {};
}

DataFileResult SaveSectionFile(CDocData& doc, const std::filesystem::path& file, Edition edition) {
  DataFileResult r;
  if (const std::string what = UnwritableNumber(doc); !what.empty()) {
    r.status = DataFileStatus::CannotWrite;
    r.message = std::string(kMsgSaveFailed);
    r.notes.push_back("\n命令:" + what + " holds a number too large or not finite; not saved\n");
    return r;
  }
  bool changed = needsStandIn(doc.strPmName, false);
  for (const CDataStruct& p : doc.pointList) {
    changed = changed || needsStandIn(p.strNote, true) || needsStandIn(p.strLayer, true);
  }
  if (changed) {
    r.notes.push_back(
        "\n命令:数据文件用逗号分隔各项：名称、备注和图层中的逗号已写作全角逗号“，”，"
        "备注和图层中的空格已去掉\n");
  }
  if (!win::writeFileAtomically(file, FormatSectionData(doc, edition))) {
    r.status = DataFileStatus::CannotWrite;
    r.message = std::string(kMsgSaveFailed);
  }
  return r;
}

}  // namespace ruvo
