#include "ruvo/settings/settings_store.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "platform/win/module_path.h"
#include "platform/win/utf8.h"
#include "ruvo/section/text_format.h"

namespace ruvo {

namespace {

constexpr std::uint32_t kBufferBytes = 200;

enum class Kind { Number, Flag, Title };

struct Setting {
  const char* name;
  Kind kind;
  double CDocData::*number = nullptr;
  std::int32_t CDocData::*flag = nullptr;
};

// Table order is the order of reading and writing.
const std::vector<Setting>& settings() {
  static const std::vector<Setting> table = {
      {"AddNum", Kind::Number, &CDocData::dIncrement},
      {"XYScale", Kind::Number, &CDocData::XYScale},
      {"XScale", Kind::Number, &CDocData::XScale},
      {"YScale", Kind::Number, &CDocData::YScale},
      {"bXYEqual", Kind::Flag, nullptr, &CDocData::bXYEqual},
      {"bXScale", Kind::Flag, nullptr, &CDocData::bXScale},
      {"txtX", Kind::Number, &CDocData::txtX},
      {"txtY", Kind::Number, &CDocData::txtY},
      {"strPmName", Kind::Title},
      {"bLineType", Kind::Flag, nullptr, &CDocData::bLineType},
      {"bReverse", Kind::Flag, nullptr, &CDocData::bReverse},
      {"bDistAndHigh", Kind::Flag, nullptr, &CDocData::bDistAndHigh},
      {"bKneePosition", Kind::Flag, nullptr, &CDocData::bKneePosition},
      {"bRemarkPosition", Kind::Flag, nullptr, &CDocData::bRemarkPosition},
      {"bDirection1", Kind::Flag, nullptr, &CDocData::bDirection1},
      {"bDirection2", Kind::Flag, nullptr, &CDocData::bDirection2},
      {"RodWidth", Kind::Number, &CDocData::RodWidth},
      {"SideDistance", Kind::Flag, nullptr, &CDocData::SideDistance},
      {"KneePnt", Kind::Flag, nullptr, &CDocData::KneePnt},
      {"FilterHeight", Kind::Flag, nullptr, &CDocData::FilterHeight},
      {"AutoAssign", Kind::Flag, nullptr, &CDocData::AutoAssign},
      {"FilterHMax", Kind::Number, &CDocData::FilterHMax},
      {"FilterHMin", Kind::Number, &CDocData::FilterHMin},
      {"Interval", Kind::Flag, nullptr, &CDocData::Interval},
      {"bSetHigh", Kind::Flag, nullptr, &CDocData::bSetHigh},
  };
  return table;
}

bool acceptableText(win::RegStatus status, std::uint32_t type, std::uint32_t size,
                    const std::vector<std::uint8_t>& data, bool allowEmpty) {
  if (status != win::RegStatus::Success) return false;
  if (type != win::kRegSz && type != win::kRegExpandSz) return false;
  if (size % 2 != 0 || size < 2) return false;
  if (data[size - 1] != 0 || data[size - 2] != 0) return false;
  return allowEmpty || size > 3;
}

// A string value read into a buffer of `limit` bytes (0: any length) under the settings
// store's acceptance rule: string type, whole UTF-16 units, terminated, not empty.
std::optional<std::string> queryText(const win::RegKey& key, std::string_view name,
                                     std::uint32_t limit, bool allowEmpty = false) {
  std::uint32_t type = 0, size = 0;
  if (limit == 0) {
    if (key.queryValue(name, &type, nullptr, &size) != win::RegStatus::Success) {
      return std::nullopt;
    }
    limit = size;
  }
  std::vector<std::uint8_t> data(std::max<std::uint32_t>(limit, 2));
  size = limit;
  const auto status = key.queryValue(name, &type, data.data(), &size);
  if (!acceptableText(status, type, size, data, allowEmpty)) return std::nullopt;
  data.resize(size);
  return win::regStringText(data);
}

std::optional<std::int32_t> queryFlag(const win::RegKey& key, std::string_view name) {
  std::uint32_t type = 0, value = 0, size = sizeof value;
  if (key.queryValue(name, &type, &value, &size) != win::RegStatus::Success) return std::nullopt;
  if (type != win::kRegDword) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

bool writeSetting(win::RegKey& key, const Setting& s, const CDocData& doc) {
  switch (s.kind) {
    case Kind::Number:
      return key.setString(s.name, SettingsNumberText(doc.*(s.number))) == win::RegStatus::Success;
    case Kind::Flag:
      return key.setDword(s.name, static_cast<std::uint32_t>(doc.*(s.flag))) ==
             win::RegStatus::Success;
    case Kind::Title:
      return key.setString(s.name, doc.strPmName) == win::RegStatus::Success;
  }
  return false;
}

// The folder entries of a ";" list, compared whole, so "/opt/a" is not found in "/opt/ab".
bool listHoldsFolder(std::string_view list, std::string_view folder) {
  auto bare = [](std::string_view s) {
    s = win::trimView(s);
    while (s.size() > 1 && (s.back() == '/' || s.back() == '\\')) s.remove_suffix(1);
    return s;
  };
  while (true) {
    const std::size_t sep = list.find(';');
    if (bare(list.substr(0, sep)) == bare(folder)) return true;
    if (sep == std::string_view::npos) return false;
    list.remove_prefix(sep + 1);
  }
}

std::string joinKey(std::string_view a, std::string_view b) {
  std::string path(a);
  if (!path.empty() && !path.ends_with('\\')) path += '\\';
  path.append(b.starts_with('\\') ? b.substr(1) : b);
  return path;
}

}  // namespace

std::string SettingsNumberText(double value) {
  if (!std::isfinite(value)) value = 0.0;
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  std::string text(buf, r.ec == std::errc() ? r.ptr : buf);
  if (text.empty()) return "0.0";
  if (text.find('.') == std::string::npos) text += ".0";
  return text;
}

void ReadSettings(win::Registry& registry, CDocData& doc) {
  // A first run writes back every value; one transaction keeps that to one file write.
  win::RegistryBatch batch(registry);
  win::RegKey key;
  if (registry.createKey(kSettingsKey, key) != win::RegStatus::Success) return;
  for (const Setting& s : settings()) {
    bool usable = false;
    switch (s.kind) {
      case Kind::Number:
        if (auto text = queryText(key, s.name, kBufferBytes)) {
          // Text that is no number reads as 0.0, as the C library's conversion gives it; a
          // non-finite number would break every scale computation and counts as unusable.
          const double v = LeadingReal(*text);
          usable = std::isfinite(v);
          if (usable) doc.*(s.number) = v;
        }
        break;
      case Kind::Flag:
        if (auto v = queryFlag(key, s.name)) {
          doc.*(s.flag) = *v;
          usable = true;
        }
        break;
      case Kind::Title:
        // Read whole: a long title is the user's own text, not damage to repair.
        if (auto text = queryText(key, s.name, 0)) {
          doc.strPmName = *text;
          usable = true;
        }
        break;
    }
    if (!usable) writeSetting(key, s, doc);
  }
}

bool WriteSettings(win::Registry& registry, const CDocData& doc) {
  win::RegistryBatch batch(registry);
  win::RegKey key;
  if (registry.createKey(kSettingsKey, key) != win::RegStatus::Success) return false;
  bool written = true;
  for (const Setting& s : settings()) written = writeSetting(key, s, doc) && written;
  key.close();
  return batch.commit() == win::RegStatus::Success && written;
}

bool ReadPltState(win::Registry& registry, Edition edition) {
  if (edition == Edition::Legacy) return false;
  win::RegKey key;
  if (registry.openKey(kSettingsKey, key) != win::RegStatus::Success) return false;
  const auto v = queryFlag(key, "PltState");
  if (!v) {
    key.setDword("PltState", 0);
    return false;
  }
  return *v == 1;
}

void WritePltState(win::Registry& registry, bool visible, Edition edition) {
  if (edition == Edition::Legacy) return;
  win::RegKey key;
  if (registry.createKey(kSettingsKey, key) != win::RegStatus::Success) return;
  key.setDword("PltState", visible ? 1 : 0);
}

int ReadPaletteWidth(win::Registry& registry) {
  constexpr int kDefault = 310;
  win::RegKey key;
  if (registry.createKey(kSettingsKey, key) != win::RegStatus::Success) return kDefault;
  if (auto v = queryFlag(key, "nPaletteWidth")) return *v;
  key.setDword("nPaletteWidth", kDefault);
  return kDefault;
}

namespace {

bool RegisterAutoLoad(win::Registry& registry, const AutoLoadTarget& target) {
  win::RegKey app;
  if (registry.createKey(joinKey(target.productRootKey, "Applications\\ZRK"), app) !=
      win::RegStatus::Success) {
    return false;
  }
  bool ok = app.setDword("LOADCTRLS", 2) == win::RegStatus::Success;
  ok = app.setString("LOADER", target.moduleFileName) == win::RegStatus::Success && ok;

  // A module outside the trusted folders is not loaded at start, so the profile's list is
  // created when missing and read whole however long it is.
  const std::string folder = win::folderOf(target.moduleFileName);
  win::RegKey vars;
  const std::string varsKey =
      joinKey(target.productRootKey, "Profiles\\" + target.profileName + "\\Variables");
  if (registry.createKey(varsKey, vars) != win::RegStatus::Success) return false;
  std::uint32_t type = 0, size = 0;
  const auto status = vars.queryValue("TRUSTEDPATHS", &type, nullptr, &size);
  if (status == win::RegStatus::FileNotFound) {
    return vars.setString("TRUSTEDPATHS", folder) == win::RegStatus::Success && ok;
  }
  auto paths = queryText(vars, "TRUSTEDPATHS", 0, /*allowEmpty=*/true);
  if (!paths) return ok;  // of another type: not ours to replace
  if (!listHoldsFolder(*paths, folder)) {
    *paths += ';';
    *paths += folder;
    ok = vars.setString("TRUSTEDPATHS", *paths) == win::RegStatus::Success && ok;
  }
  return ok;
}

}  // namespace

bool EnableAutoLoad(win::Registry& registry, const AutoLoadTarget& target, Edition edition) {
  if (edition == Edition::Legacy) return false;
  win::RegistryBatch batch(registry);
  const bool ok = RegisterAutoLoad(registry, target);
  return batch.commit() == win::RegStatus::Success && ok;
}

bool DisableAutoLoad(win::Registry& registry, const AutoLoadTarget& target, Edition edition) {
  if (edition == Edition::Legacy) return false;
  win::RegKey apps;
  if (registry.openKey(joinKey(target.productRootKey, "Applications"), apps) !=
      win::RegStatus::Success) {
    return false;
  }
  return apps.deleteSubKeyTree("ZRK") == win::RegStatus::Success;
}

}  // namespace ruvo
