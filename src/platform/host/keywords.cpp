#include "platform/host/keywords.h"

#include <algorithm>

#include "platform/host/text_util.h"

namespace host {
namespace {

bool keywordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

std::string abbreviationOf(const std::string& word) {
  const bool small =
      std::any_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  std::string capitals;
  for (char c : word) {
    if (c >= 'A' && c <= 'Z') capitals.push_back(c);
  }
  return small && !capitals.empty() ? capitals : toUpperAscii(word);
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
    s.remove_suffix(1);
  }
  return s;
}

}  // namespace

std::optional<KeywordList> KeywordList::parse(std::string_view text) {
  KeywordList list;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
    std::string word(text.substr(i, end - i));
    i = end;
    if (!std::all_of(word.begin(), word.end(), keywordChar)) return std::nullopt;
    std::string abbreviation = abbreviationOf(word);
    for (std::size_t k = 0; k < list.words_.size(); ++k) {
      if (win::equalsIgnoreAsciiCase(list.words_[k], word) ||
          list.abbreviations_[k] == abbreviation) {
        return std::nullopt;
      }
    }
    list.words_.push_back(std::move(word));
    list.abbreviations_.push_back(std::move(abbreviation));
  }
  return list;
}

std::optional<std::string> KeywordList::match(std::string_view typed) const {
  const std::string t = toUpperAscii(trimmed(typed));
  if (t.empty()) return std::nullopt;
  // A whole keyword or an abbreviation first, so that a short keyword is not lost to a
  // longer one that it begins.
  for (std::size_t k = 0; k < words_.size(); ++k) {
    if (toUpperAscii(words_[k]) == t || abbreviations_[k] == t) return words_[k];
  }
  for (std::size_t k = 0; k < words_.size(); ++k) {
    const std::string whole = toUpperAscii(words_[k]);
    const std::string& abbreviation = abbreviations_[k];
    if (whole.starts_with(abbreviation) && t.size() >= abbreviation.size() &&
        whole.starts_with(t)) {
      return words_[k];
    }
  }
  return std::nullopt;
}

}  // namespace host
