#include "platform/host/command_table.h"

#include <gtest/gtest.h>

#include <string>

namespace host {
namespace {

struct CommandTableTest : ::testing::Test {
  CommandFunction record(std::string what) {
    return [this, what] { ran += what + ";"; };
  }
  CommandTable table;
  std::string ran;
};

TEST_F(CommandTableTest, NamesMatchWithoutCaseAndUnderscoreSelectsTheGlobalName) {
  ASSERT_EQ(table.addCommand("TVZRK", "_RUVO", "ruvo", kCommandTransparent, record("open")),
            Status::Normal);
  ASSERT_EQ(table.addCommand("TVZRK", "_KESTRARESET", "ruvoreset", 1, record("redock")),
            Status::Normal);
  for (const char* typed : {"ruvo", "RUVO", "Ruvo", "_ruvo", "_RUVO", "'ruvo"}) {
    EXPECT_EQ(table.runCommand(typed), Status::Normal) << typed;
  }
  EXPECT_EQ(ran, "open;open;open;open;open;open;");
  // A local name is not reachable with "_"; the global one without "_" is.
  ran.clear();
  EXPECT_EQ(table.runCommand("_ruvoreset"), Status::NotFound);
  EXPECT_EQ(table.runCommand("kestrareset"), Status::Normal);
  EXPECT_EQ(ran, "redock;");
  EXPECT_EQ(table.runCommand(""), Status::NotFound);
  EXPECT_EQ(table.runCommand("_"), Status::NotFound);
}

TEST_F(CommandTableTest, DuplicatesAreRefusedWithinAGroupAndShadowAcrossGroups) {
  ASSERT_EQ(table.addCommand("A", "_OPEN", "open", 0, record("a")), Status::Normal);
  EXPECT_EQ(table.addCommand("a", "OPEN", "other", 0, record("x")), Status::AlreadyExists);
  EXPECT_EQ(table.addCommand("A", "_OTHER", "OPEN", 0, record("x")), Status::AlreadyExists);
  ASSERT_EQ(table.addCommand("B", "_OPEN", "open", 0, record("b")), Status::Normal);
  table.runCommand("open");
  ASSERT_EQ(table.removeGroup("b"), Status::Normal);
  table.runCommand("open");
  EXPECT_EQ(ran, "b;a;");
  EXPECT_EQ(table.removeGroup("B"), Status::NotFound);
}

TEST_F(CommandTableTest, RemoveByGroupAndGlobalName) {
  table.addCommand("TVZRK", "_RUVO", "ruvo", 1, record("r"));
  table.addCommand("TVZRK", "_KESTRAPM", "kestrapm", 1, record("k"));
  EXPECT_EQ(table.removeCommand("OTHER", "_RUVO"), Status::NotFound);
  EXPECT_EQ(table.removeCommand("TVZRK", "ruvo"), Status::Normal);  // same global name
  EXPECT_FALSE(table.hasCommand("ruvo"));
  EXPECT_TRUE(table.hasCommand("KESTRAPM"));
  EXPECT_EQ(table.removeCommand("tvzrk", "_KESTRAPM"), Status::Normal);
  EXPECT_TRUE(table.commands().empty());
  // The name is free again.
  EXPECT_EQ(table.addCommand("TVZRK", "_RUVO", "ruvo", 1, record("r")), Status::Normal);
}

TEST_F(CommandTableTest, BadNamesAndEmptyFunctionsAreRefused) {
  EXPECT_EQ(table.addCommand("", "_A", "a", 0, record("")), Status::InvalidInput);
  EXPECT_EQ(table.addCommand("G", "", "a", 0, record("")), Status::InvalidInput);
  EXPECT_EQ(table.addCommand("G", "_", "a", 0, record("")), Status::InvalidInput);
  EXPECT_EQ(table.addCommand("G", "_A", "a b", 0, record("")), Status::InvalidInput);
  EXPECT_EQ(table.addCommand("G", "_A", "a\n", 0, record("")), Status::InvalidInput);
  EXPECT_EQ(table.addCommand("G", "_A", "a", 0, CommandFunction()), Status::InvalidInput);
  // UTF-8 names are fine and compare byte for byte beyond ASCII.
  EXPECT_EQ(table.addCommand("G", "_剖面", "剖面", 0, record("cn")), Status::Normal);
  EXPECT_EQ(table.runCommand("_剖面"), Status::Normal);
  EXPECT_EQ(ran, "cn;");
}

TEST_F(CommandTableTest, OnlyTransparentCommandsRunWhileAnotherIsActive) {
  Status nestedModal = Status::Error, nestedTransparent = Status::Error;
  table.addCommand("G", "_ZOOM", "zoom", kCommandTransparent, record("zoom"));
  table.addCommand("G", "_ERASE", "erase", kCommandModal, record("erase"));
  table.addCommand("G", "_OUTER", "outer", kCommandModal, [&] {
    EXPECT_EQ(table.activeCommand(), "_OUTER");
    nestedModal = table.runCommand("erase");
    nestedTransparent = table.runCommand("'zoom");
  });
  ASSERT_EQ(table.runCommand("outer"), Status::Normal);
  EXPECT_EQ(nestedModal, Status::Rejected);
  EXPECT_EQ(nestedTransparent, Status::Normal);
  EXPECT_EQ(ran, "zoom;");
  EXPECT_EQ(table.activeCommand(), "");
}

TEST_F(CommandTableTest, ACommandMayRemoveItselfAndOthersWhileRunning) {
  std::string captured = "still alive";
  table.addCommand("G", "_OTHER", "other", 0, record("other"));
  table.addCommand("G", "_SELF", "self", 0, [this, captured] {
    table.removeGroup("G");
    ran += captured;  // the function object must outlive its removal
  });
  EXPECT_EQ(table.runCommand("self"), Status::Normal);
  EXPECT_EQ(ran, "still alive");
  EXPECT_TRUE(table.commands().empty());
}

TEST_F(CommandTableTest, AThrowingNestedCommandLeavesTheOuterOneActive) {
  Status nested = Status::Normal;
  std::string activeAfter;
  table.addCommand("G", "_BAD", "bad", kCommandTransparent, [] { throw 7; });
  table.addCommand("G", "_OUTER", "outer", kCommandModal, [&] {
    nested = table.runCommand("'bad");
    activeAfter = table.activeCommand();
  });
  EXPECT_EQ(table.runCommand("outer"), Status::Normal);
  EXPECT_EQ(nested, Status::Error);
  EXPECT_EQ(activeAfter, "_OUTER");
  EXPECT_EQ(table.runCommand("bad"), Status::Error);
  EXPECT_EQ(table.activeCommand(), "");
}

}  // namespace
}  // namespace host
