#pragma once
// The headless host's command line: everything printed goes to a stream.

#include <ostream>
#include <string_view>

#include "platform/host/command_line.h"

namespace host::headless {

inline constexpr std::string_view kCommandPrompt = "\nCommand: ";

class StreamCommandLine final : public CommandLine {
 public:
  explicit StreamCommandLine(std::ostream& out) : out_(&out) {}
  void print(std::string_view text) override {
    *out_ << text;
    out_->flush();
  }
  void postPrompt() override {
    ++prompts_;
    print(kCommandPrompt);
  }
  int promptCount() const { return prompts_; }

 private:
  std::ostream* out_;
  int prompts_ = 0;
};

}  // namespace host::headless
