#pragma once
// The keywords an input request takes besides its own input, as a CAD host's prompt offers
// its options in brackets: "Extents Window" lets the user type E, W, Extents, window ...
//
// A keyword is a word of ASCII letters, digits, "-" and "_". Its capital letters, when it
// also has small ones, are its abbreviation ("Extents" -> "E", "LType" -> "LT"); a keyword
// without small letters, or without capitals, has to be typed whole. What the user types
// matches without regard to case: the whole keyword, its abbreviation, or, where the
// abbreviation begins the keyword, any start of the keyword at least as long as it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

class KeywordList {
 public:
  // nullopt for a word that is no keyword, a keyword listed twice, or two keywords with
  // one abbreviation. Blanks (and tabs) separate the words; an empty text is an empty list.
  static std::optional<KeywordList> parse(std::string_view text);

  bool empty() const { return words_.empty(); }
  // The keyword (as listed) that `typed` (blanks around it ignored) stands for.
  std::optional<std::string> match(std::string_view typed) const;
  const std::vector<std::string>& words() const { return words_; }

 private:
  std::vector<std::string> words_;
  std::vector<std::string> abbreviations_;  // upper case
};

}  // namespace host
