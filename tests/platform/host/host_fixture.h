#pragma once
// A headless host whose command line is captured, for the host tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "platform/cad/database.h"
#include "platform/host/headless/headless_host.h"

namespace host::testing {

// Drawings "read" from memory: any name ending in ".dxf" gives an empty standard drawing,
// other names fail; writes are remembered.
struct MemoryFiles {
  std::vector<std::string> written;
  DrawingFileIo io() {
    return DrawingFileIo{
        [](const std::string& name) -> cad::Result<std::unique_ptr<cad::Database>> {
          if (!name.ends_with(".dxf")) return cad::Status::FileError;
          return std::make_unique<cad::Database>(cad::Database::Contents::Standard);
        },
        [this](const cad::Database&, const std::string& name) {
          if (name.ends_with(".fail")) return cad::Status::FileError;
          written.push_back(name);
          return cad::Status::Ok;
        }};
  }
};

class HostTest : public ::testing::Test {
 protected:
  explicit HostTest(std::string trusted = {}) { make(std::move(trusted)); }

  void make(std::string trusted) {
    host_.reset();
    out_ = std::make_unique<std::ostringstream>();
    headless::HeadlessOptions o;
    o.output = out_.get();
    o.userDataFolder = tempFolder("data");
    o.trustedFolders = std::move(trusted);
    o.files = files_.io();
    host_ = std::make_unique<headless::HeadlessHost>(std::move(o));
  }
  std::string tempFolder(const char* leaf) const {
    auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return (std::filesystem::temp_directory_path() / "kestra_host_test" /
            (std::string(info->test_suite_name()) + "." + info->name()) / leaf)
        .string();
  }
  headless::HeadlessHost& host() { return *host_; }
  // What the command line received since the last call.
  std::string take() {
    std::string s = out_->str();
    out_->str({});
    return s;
  }
  Document& newDocument() { return *host().documents().newDocument().value(); }

  MemoryFiles files_;
  std::unique_ptr<std::ostringstream> out_;
  std::unique_ptr<headless::HeadlessHost> host_;
};

}  // namespace host::testing
