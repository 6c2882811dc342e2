#pragma once
// Text encoding of a drawing file. Files from AC1021 on are UTF-8; older ones declare a
// code page in $DWGCODEPAGE, which is not always true: files carry UTF-8 bytes under
// ANSI_936, or only ASCII under any code page. In memory every string is UTF-8.

#include <string>
#include <string_view>

namespace dxf {

struct TextEncoding {
  bool utf8 = false;
  std::string codepage = "CP1252";  // iconv name, used when !utf8
  std::string declared;             // $DWGCODEPAGE as the file gives it ("" when absent)
  std::string note;                 // a guess the reader made, for the user ("" when none)
  // A UTF-8 file holding a few texts in a code page (written by something that ignored the
  // format): the code page those are read in ("" when every text is UTF-8).
  std::string fallback;
};

// The code page of the systems the drawings come from, for text that declares none it
// keeps to (GB18030 reads GBK and every other Chinese Windows code page text).
inline constexpr std::string_view kSystemCodepage = "GB18030";

// iconv name of a $DWGCODEPAGE value ("ANSI_936" -> "GB18030"); CP1252 for unknown names.
std::string iconvName(std::string_view dwgCodepage);

// The encoding to read and write with. `scanText` are the file bytes to look at for
// UTF-8 under a declared code page (pass an empty view for binary files, whose numbers
// look like arbitrary bytes).
TextEncoding detectEncoding(std::string_view acadVersion, std::string_view dwgCodepage,
                            std::string_view scanText);

// File bytes to UTF-8, with \U+XXXX and \M+nXXXX escapes resolved.
std::string decodeText(std::string_view raw, const TextEncoding& encoding);
// UTF-8 to file bytes; characters the code page cannot hold become \U+XXXX escapes.
std::string encodeText(std::string_view utf8, const TextEncoding& encoding);

}  // namespace dxf
