#pragma once
// The shared test drawings live outside the repository (KESTRA_SHARED_DATA, ../shared/data
// by default). A clone without them still runs every other test: the tests that read them
// are skipped, saying in one line where they looked.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace testing_support {

inline bool HaveSharedData() {
  std::error_code ec;
  return std::filesystem::is_directory(KESTRA_SHARED_DATA, ec);
}

inline std::string SharedDataMissing() {
  return "shared test drawings not found in " KESTRA_SHARED_DATA;
}

}  // namespace testing_support

#define KESTRA_REQUIRE_SHARED_DATA()                          \
  do {                                                        \
    if (!::testing_support::HaveSharedData()) {               \
      GTEST_SKIP() << ::testing_support::SharedDataMissing(); \
    }                                                         \
  } while (0)
