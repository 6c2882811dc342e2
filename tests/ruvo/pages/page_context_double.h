#pragma once
// The plug-in's side of the pages, played by a headless host with one new drawing, a
// registry in a temporary folder and the frame drawing of the source tree as the module's
// folder.

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "platform/dxf/dxf_reader.h"
#include "platform/host/headless/headless_host.h"
#include "platform/win/registry.h"
#include "ruvo/pages/page_context.h"
#include "ruvo/section/doc_data.h"

namespace pages_test {

class PageContextDouble final : public ruvo::PageContext {
 public:
  explicit PageContextDouble(ruvo::Edition edition = ruvo::Edition::Current,
                             std::filesystem::path moduleFolder = std::string(KESTRA_SOURCE_DIR) +
                                                                  "/resources/frames")
      : folder_(std::move(moduleFolder)),
        edition_(edition),
        temp_(std::filesystem::temp_directory_path() /
              ("kestra_pages_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)))),
        registry_((std::filesystem::create_directories(temp_), temp_ / "registry.reg")),
        host_(Options()) {
    host_.documents().newDocument();
  }
  ~PageContextDouble() override {
    std::error_code ec;
    std::filesystem::remove_all(temp_, ec);
  }

  host::Host& host() override { return host_; }
  ruvo::CDocData* currentDocData() override { return hasDocument ? &doc : nullptr; }
  std::filesystem::path moduleFolder() const override { return folder_; }
  ruvo::Edition edition() const override { return edition_; }
  win::Registry& registry() override { return registry_; }
  const std::string& moduleFileName() const override { return moduleFile_; }

  host::headless::HeadlessHost& headless() { return host_; }
  cad::Database& database() { return host_.documents().curDocument()->database(); }
  std::size_t modelSpaceCount() {
    std::size_t n = 0;
    database().forEachEntity(database().modelSpaceId(), [&](const cad::Entity&) {
      ++n;
      return true;
    });
    return n;
  }
  std::string commandLine() const { return out_.str(); }
  const std::filesystem::path& tempFolder() const { return temp_; }

  ruvo::CDocData doc;
  bool hasDocument = true;

 private:
  host::headless::HeadlessOptions Options() {
    host::headless::HeadlessOptions o;
    o.output = &out_;
    o.userDataFolder = (temp_ / "user").string() + "/";
    o.supportFolders = {std::string(KESTRA_SOURCE_DIR) + "/resources"};
    o.files.read = [](const std::string& file) -> cad::Result<std::unique_ptr<cad::Database>> {
      dxf::ReadReport report;
      auto db = dxf::readDrawing(file, report);
      if (!db) return cad::Status::FileError;
      return db;
    };
    return o;
  }

  std::filesystem::path folder_;
  std::string moduleFile_ = (folder_ / "ruvo.so").string();
  ruvo::Edition edition_;
  std::filesystem::path temp_;
  win::Registry registry_;
  std::ostringstream out_;
  host::headless::HeadlessHost host_;
};

}  // namespace pages_test
