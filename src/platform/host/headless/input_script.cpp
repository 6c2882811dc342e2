#include "platform/host/headless/input_script.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/cad/handle_text.h"
#include "platform/host/text_util.h"

namespace host::headless {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

std::optional<double> number(std::string_view s) {
  s = trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0.0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<geom::Point3d> point(std::string_view s) {
  std::vector<double> values;
  while (true) {
    std::size_t comma = s.find(',');
    auto v = number(s.substr(0, comma));
    if (!v) return std::nullopt;
    values.push_back(*v);
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  if (values.size() < 2 || values.size() > 3) return std::nullopt;
  return geom::Point3d{values[0], values[1], values.size() == 3 ? values[2] : 0.0};
}

std::optional<std::uint64_t> hexHandle(std::string_view s) {
  const auto h = cad::parseHandle(trim(s));
  if (!h || *h == 0) return std::nullopt;
  return h;
}

std::optional<MessageBoxButton> button(std::string_view s) {
  std::string u = toUpperAscii(trim(s));
  if (u == "OK") return MessageBoxButton::Ok;
  if (u == "CANCEL") return MessageBoxButton::Cancel;
  if (u == "YES") return MessageBoxButton::Yes;
  if (u == "NO") return MessageBoxButton::No;
  if (u == "RETRY") return MessageBoxButton::Retry;
  return std::nullopt;
}

std::string coordinates(geom::Point3d p) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.17g,%.17g,%.17g", p.x, p.y, p.z);
  return buf;
}

}  // namespace

std::string describe(const ScriptAnswer& a) {
  using K = ScriptAnswer::Kind;
  switch (a.kind) {
    case K::PickHandle: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "pick %llX", static_cast<unsigned long long>(a.handle));
      return buf;
    }
    case K::PickAt:
      return "pick-at " + coordinates(a.point);
    case K::Point:
      return "point " + coordinates(a.point);
    case K::Cancel:
      return "cancel";
    case K::Nothing:
      return "none";
    case K::DragTo:
      return "drag " + coordinates(a.point);
    case K::DragCancel:
      return "drag-cancel";
    case K::Number: {
      char buf[48];
      std::snprintf(buf, sizeof buf, "number %.17g", a.point.x);
      return buf;
    }
    case K::Text:
      return "text " + a.text;
    case K::Button: {
      static constexpr const char* names[] = {"ok", "cancel", "yes", "no", "retry"};
      return std::string("button ") + names[static_cast<int>(a.button)];
    }
  }
  return "cancel";
}

std::optional<ScriptAnswer> parseScriptAnswer(std::string_view text) {
  text = trim(text);
  std::size_t blank = text.find_first_of(" \t");
  std::string word = toUpperAscii(text.substr(0, blank));
  std::string_view rest =
      blank == std::string_view::npos ? std::string_view() : trim(text.substr(blank));
  if (word == "CANCEL" && rest.empty()) return ScriptAnswer::cancel();
  if (word == "NONE" && rest.empty()) return ScriptAnswer::nothing();
  if (word == "DRAG-CANCEL" && rest.empty()) return ScriptAnswer::dragCancel();
  if (word == "PICK") {
    if (auto h = hexHandle(rest)) return ScriptAnswer::pickHandle(*h);
  } else if (word == "PICK-AT") {
    if (auto p = point(rest)) return ScriptAnswer::pickAt(*p);
  } else if (word == "POINT") {
    if (auto p = point(rest)) return ScriptAnswer::pointAt(*p);
  } else if (word == "DRAG") {
    if (auto p = point(rest)) return ScriptAnswer::dragTo(*p);
  } else if (word == "NUMBER") {
    if (auto v = number(rest)) return ScriptAnswer::number(*v);
  } else if (word == "TEXT") {
    if (!rest.empty()) return ScriptAnswer::typed(std::string(rest));
  } else if (word == "BUTTON") {
    if (auto b = button(rest)) return ScriptAnswer::press(*b);
  }
  return std::nullopt;
}

std::size_t InputScript::pushText(std::string_view text) {
  std::vector<ScriptAnswer> parsed;
  std::size_t line = 0;
  while (!text.empty()) {
    ++line;
    std::size_t nl = text.find('\n');
    std::string_view current = trim(text.substr(0, nl));
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (current.empty() || current.front() == '#') continue;
    auto answer = parseScriptAnswer(current);
    if (!answer) return line;
    parsed.push_back(*answer);
  }
  for (const auto& a : parsed) answers_.push_back(a);
  return 0;
}

std::optional<ScriptAnswer> InputScript::next() {
  if (answers_.empty()) return std::nullopt;
  ScriptAnswer a = answers_.front();
  answers_.pop_front();
  return a;
}

}  // namespace host::headless
