// libFuzzer entry: any bytes must end in a status, never in a crash, a hang or an
// allocation out of proportion to the input.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/dxf/tag_reader.h"
#include "platform/dxf/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  dxf::TagReader reader(bytes);
  dxf::TextEncoding encoding = dxf::detectEncoding("AC1018", "ANSI_936", "");
  dxf::Tag tag;
  while (reader.next(tag)) {
    (void)dxf::realOf(tag);
    (void)dxf::integerOf(tag);
    if (tag.code == 1) (void)dxf::decodeText(tag.value, encoding);
  }
  return 0;
}
