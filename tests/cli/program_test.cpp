// The barrier every program's main runs behind, and the parser's common set-up.

#include "cli/program.h"

#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <sstream>
#include <stdexcept>

namespace {

TEST(Guarded, AnEscapingExceptionBecomesOneLineAndAFailingStatus) {
  std::ostringstream err;
  EXPECT_EQ(cli::Guarded(
                "ruvo", [] { return 0; }, err),
            cli::kDone);
  EXPECT_EQ(cli::Guarded(
                "ruvo", [] { return cli::kRefused; }, err),
            cli::kRefused);
  EXPECT_EQ(err.str(), "");

  EXPECT_EQ(cli::Guarded(
                "tabulix", []() -> int { throw std::runtime_error("bad\nthing"); }, err),
            cli::kInternal);
  EXPECT_EQ(err.str(), "tabulix: internal error: bad thing\n");
  err.str("");
  EXPECT_EQ(cli::Guarded(
                "cadtool", []() -> int { throw 42; }, err),
            cli::kInternal);
  EXPECT_EQ(err.str(), "cadtool: internal error: an unknown exception\n");
  err.str("");
  EXPECT_EQ(cli::Guarded(
                "ruvo", []() -> int { throw std::bad_alloc(); }, err),
            cli::kInternal);
  const std::string text = err.str();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

TEST(Parse, HelpVersionAndUsageErrors) {
  auto parse = [](std::vector<const char*> args, std::string& out, std::string& err) {
    CLI::App app;
    cli::PrepareApp(app, "tool");
    std::string file;
    app.add_option("FILE", file, "a file")->required();
    CLI::App* sub = app.add_subcommand("go", "goes");
    int n = 0;
    sub->add_option("--n", n, "a number");
    args.insert(args.begin(), "tool");
    std::ostringstream o, e;
    auto status = cli::Parse(app, static_cast<int>(args.size()), args.data(), o, e);
    out = o.str();
    err = e.str();
    return status;
  };
  std::string out, err;
  EXPECT_EQ(parse({"x"}, out, err), std::nullopt);
  EXPECT_EQ(parse({"--version"}, out, err), cli::kDone);
  EXPECT_EQ(out, "tool " + std::string(cli::Version()) + "\n");
  EXPECT_EQ(parse({"--help"}, out, err), cli::kDone);
  EXPECT_NE(out.find("Exit status"), std::string::npos);
  EXPECT_EQ(parse({"x", "go", "--n", "abc"}, out, err), cli::kUsage);
  EXPECT_EQ(err.rfind("tool go: ", 0), 0u) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(parse({}, out, err), cli::kUsage);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

}  // namespace
