#pragma once
// A drawing opened in the headless host for one run of a sub-command. The host's command
// line goes to standard error as it is printed and is kept, so that a sub-command can
// report it (the JSON "messages").

#include <iostream>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "platform/host/headless/headless_host.h"

namespace cli {

// Copies everything written to it into a string and, when given, to another stream.
class TeeBuffer final : public std::streambuf {
 public:
  explicit TeeBuffer(std::ostream* echo) : echo_(echo) {}
  const std::string& text() const { return text_; }

 protected:
  int overflow(int ch) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;

 private:
  std::ostream* echo_;
  std::string text_;
};

// The host's prompts and messages ("Command: ", "命令:请选择直线或多段线") are shown only
// with --verbose; what reading a drawing repaired or left out is shown always.
void SetVerbose(bool verbose);
std::ostream* CommandLineEcho();

class Session {
 public:
  // Opens the drawing as the current document; nullptr with `error` set when it cannot be
  // read. `echo` receives the command line as it is printed (standard error by default;
  // null keeps it quiet).
  static std::unique_ptr<Session> Open(const std::string& drawing, std::string& error,
                                       std::ostream* echo = CommandLineEcho());
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  host::headless::HeadlessHost& host() { return *host_; }
  host::Document& document() { return *document_; }
  // Everything printed on the command line so far.
  const std::string& commandLineText() const { return buffer_.text(); }
  // The last message the command line printed, prompts left out; empty when none.
  std::string lastMessage() const;

  // Writes the drawing (DXF) to `file`; false with `error` set when that fails.
  bool SaveDrawingAs(const std::string& file, std::string& error);

 private:
  explicit Session(std::ostream* echo);
  bool echoing_ = false;

  TeeBuffer buffer_;
  std::ostream commandLine_;
  // Why the last drawing could not be read or written, as the DXF layer said it.
  std::string fileError_;
  std::unique_ptr<host::headless::HeadlessHost> host_;
  host::Document* document_ = nullptr;
};

// The DXF entity type of an object of the drawing ("LINE", "LWPOLYLINE", ...).
std::string DxfTypeName(const cad::Database& db, cad::ObjectId id);

// A handle as the DXF file writes it: upper-case hex, no leading zeros.
std::string HandleText(cad::ObjectId id);

}  // namespace cli
