#include "cli/session.h"

#include <cstdio>
#include <iostream>

#include "cli/program.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"

namespace cli {
namespace {

// What the writer had to say (an R12 drawing given entities R12 lacks) goes to the command
// line, so that the user learns why the saved drawing holds polylines in their place.
bool gVerbose = false;

host::DrawingFileIo DxfFiles(std::string* error, std::ostream* commandLine, bool echoing) {
  host::DrawingFileIo io;
  io.read = [error, commandLine,
             echoing](const std::string& file) -> cad::Result<std::unique_ptr<cad::Database>> {
    dxf::ReadReport report;
    std::unique_ptr<cad::Database> db = dxf::readDrawing(file, report);
    *error = report.message;
    // What was repaired or left out of use while reading is the user's to know: a contour
    // kept out of the cut must not go unnoticed.
    constexpr std::size_t kShown = 5;
    auto note = [&](const std::string& text) {
      *commandLine << '\n' << file << ": " << text << '\n';
      if (!echoing) std::cerr << file << ": " << text << '\n';
    };
    for (std::size_t i = 0; i < report.problems.size() && i < kShown; ++i) {
      note(report.problems[i]);
    }
    if (report.problems.size() > kShown) {
      note(std::to_string(report.problems.size() - kShown) + " more problems");
    }
    if (!db) return report.status == cad::Status::Ok ? cad::Status::FileError : report.status;
    return db;
  };
  io.write = [error, commandLine, echoing](const cad::Database& db, const std::string& file) {
    dxf::WriteReport report;
    const cad::Status status = dxf::writeDrawing(db, file, report);
    for (const std::string& note : report.notes) {
      *commandLine << '\n' << note << '\n';
      if (!echoing) std::cerr << note << '\n';
    }
    *error = status == cad::Status::Ok ? std::string() : report.message;
    return status;
  };
  return io;
}

}  // namespace

void SetVerbose(bool verbose) { gVerbose = verbose; }

std::ostream* CommandLineEcho() { return gVerbose ? &std::cerr : nullptr; }

int TeeBuffer::overflow(int ch) {
  if (ch == traits_type::eof()) return traits_type::not_eof(ch);
  const char c = static_cast<char>(ch);
  text_ += c;
  if (echo_ != nullptr) echo_->put(c).flush();
  return ch;
}

std::streamsize TeeBuffer::xsputn(const char* s, std::streamsize n) {
  text_.append(s, static_cast<std::size_t>(n));
  if (echo_ != nullptr) echo_->write(s, n).flush();
  return n;
}

Session::Session(std::ostream* echo)
    : echoing_(echo == &std::cerr), buffer_(echo), commandLine_(&buffer_) {
  host::headless::HeadlessOptions options;
  options.output = &commandLine_;
  options.files = DxfFiles(&fileError_, &commandLine_, echoing_);
  // The linetype file the profile loads ships beside the programs.
  if (const auto lin = ResourceFile("acadiso.lin")) {
    options.supportFolders.push_back(lin->parent_path().string());
  }
  host_ = std::make_unique<host::headless::HeadlessHost>(std::move(options));
}

std::unique_ptr<Session> Session::Open(const std::string& drawing, std::string& error,
                                       std::ostream* echo) {
  std::unique_ptr<Session> session(new Session(echo));
  auto opened = session->host_->documents().openDocument(drawing);
  if (!opened.ok() || opened.value() == nullptr) {
    const std::string& why = session->fileError_;
    error = "cannot read the drawing " + drawing + " (" +
            (why.empty() ? std::string(host::statusName(opened.status())) : why) + ")";
    return nullptr;
  }
  session->document_ = opened.value();
  return session;
}

std::string Session::lastMessage() const {
  std::string_view text = buffer_.text();
  std::string last;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (!line.empty() && line != "Command:" && line != "命令:") last = std::string(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return last;
}

bool Session::SaveDrawingAs(const std::string& file, std::string& error) {
  const host::Status status = host_->documents().saveDocumentAs(*document_, file);
  if (host::ok(status)) return true;
  error = "cannot write the drawing " + file + " (" +
          (fileError_.empty() ? std::string(host::statusName(status)) : fileError_) + ")";
  return false;
}

std::string DxfTypeName(const cad::Database& db, cad::ObjectId id) {
  const auto* entity = cad::objectCast<cad::Entity>(db.peek(id));
  return entity == nullptr ? std::string() : dxf::entityTypeName(*entity);
}

std::string HandleText(cad::ObjectId id) {
  char text[24];
  std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(id.handle()));
  return text;
}

}  // namespace cli
