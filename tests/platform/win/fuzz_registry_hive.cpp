// The hive reader takes any bytes without crashing, and what it keeps is what it writes:
// the text of a hive read back from its own text is the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/win/hive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const win::Hive hive = win::Hive::fromText(bytes, "HKEY_CURRENT_USER");
  const std::string text = hive.toText("HKEY_CURRENT_USER");
  bool clean = false;
  const win::Hive again = win::Hive::fromText(text, "HKEY_CURRENT_USER", &clean);
  if (!clean || again.keyCount() != hive.keyCount() || again.toText("HKEY_CURRENT_USER") != text) {
    std::abort();
  }
  return 0;
}
