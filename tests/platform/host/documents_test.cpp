#include <gtest/gtest.h>

#include "host_fixture.h"
#include "platform/host/data_manager.h"

namespace host {
namespace {

using Lines = std::vector<std::string>;

// Writes what it hears into a shared log.
struct Recorder final : DocumentReactor {
  Recorder(std::string name, Lines& log) : name(std::move(name)), log(log) {}
  void documentCreated(Document& d) override { log.push_back(name + " created " + d.title()); }
  void documentToBeDestroyed(Document& d) override {
    log.push_back(name + " to be destroyed " + d.title());
  }
  void documentRemoved(Document& d) override { log.push_back(name + " removed " + d.title()); }
  void documentActivated(Document& d) override { log.push_back(name + " activated " + d.title()); }
  std::string name;
  Lines& log;
};

using DocumentsTest = testing::HostTest;

TEST_F(DocumentsTest, ReactorsHearEventsInRegistrationOrderUntilTheirTokenGoes) {
  Lines log;
  Recorder a("a", log), b("b", log);
  DocumentManager& docs = host().documents();
  ReactorToken ta = docs.addReactor(a);
  {
    ReactorToken tb = docs.addReactor(b);
    EXPECT_FALSE(docs.addReactor(b).registered());  // once only
    EXPECT_TRUE(tb.registered());
    Document& d1 = newDocument();
    Document& d2 = newDocument();
    docs.activateDocument(d1);
    docs.activateDocument(d1);  // already current: nothing to tell
    docs.closeDocument(d1);     // the current one: the last remaining becomes current
    (void)d2;
  }
  EXPECT_EQ(
      log,
      (Lines{"a created Drawing1.dxf", "b created Drawing1.dxf", "a activated Drawing1.dxf",
             "b activated Drawing1.dxf", "a created Drawing2.dxf", "b created Drawing2.dxf",
             "a activated Drawing2.dxf", "b activated Drawing2.dxf", "a activated Drawing1.dxf",
             "b activated Drawing1.dxf", "a to be destroyed Drawing1.dxf",
             "b to be destroyed Drawing1.dxf", "a removed Drawing1.dxf", "b removed Drawing1.dxf",
             "a activated Drawing2.dxf", "b activated Drawing2.dxf"}));
  log.clear();
  docs.closeDocument(*docs.curDocument());
  EXPECT_EQ(log, (Lines{"a to be destroyed Drawing2.dxf", "a removed Drawing2.dxf"}));
  EXPECT_EQ(docs.curDocument(), nullptr);
}

TEST_F(DocumentsTest, AReactorMayUnregisterItselfOrOthersWhileBeingCalled) {
  Lines log;
  struct Quitter final : DocumentReactor {
    void documentCreated(Document&) override {
      token->reset();
      other->reset();
    }
    ReactorToken* token = nullptr;
    ReactorToken* other = nullptr;
  } quitter;
  Recorder later("later", log);
  ReactorToken tq = host().documents().addReactor(quitter);
  ReactorToken tl = host().documents().addReactor(later);
  quitter.token = &tq;
  quitter.other = &tl;
  newDocument();
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(tq.registered());
  EXPECT_EQ(host().documentCollection().reactorCount(), 0u);
}

TEST_F(DocumentsTest, ATokenMayOutliveItsManager) {
  Lines log;
  Recorder r("r", log);
  ReactorToken token = host().documents().addReactor(r);
  ReactorToken moved = std::move(token);
  EXPECT_FALSE(token.registered());
  EXPECT_TRUE(moved.registered());
  host_.reset();
  EXPECT_FALSE(moved.registered());
  moved.reset();  // must not touch the manager that is gone
}

struct Record {
  std::string note = "fresh";
};

TEST_F(DocumentsTest, DataManagerMakesRecordsOnFirstAccessAndFreesThemAtClose) {
  DocumentManager& docs = host().documents();
  DocumentDataManager<Record> data(docs);
  EXPECT_TRUE(data.registered());
  EXPECT_EQ(data.curDocData(), nullptr);
  Document& d1 = newDocument();
  Document& d2 = newDocument();
  EXPECT_EQ(data.size(), 0u);
  data.curDocData()->note = "second";
  data.docData(d1).note = "first";
  EXPECT_EQ(data.size(), 2u);
  EXPECT_EQ(data.find(d2)->note, "second");
  docs.activateDocument(d1);
  EXPECT_EQ(data.curDocData()->note, "first");
  docs.closeDocument(d1);
  EXPECT_EQ(data.size(), 1u);
  EXPECT_EQ(data.curDocData()->note, "second");
}

TEST_F(DocumentsTest, ARecordMadeAgainWhileItsDocumentClosesDoesNotSurviveIt) {
  DocumentManager& docs = host().documents();
  DocumentDataManager<Record> data(docs);
  // Registered after the data manager, like a plug-in's own reactor, and asks for the
  // current record while the drawing closes.
  struct LateReader final : DocumentReactor {
    explicit LateReader(DocumentDataManager<Record>& d) : data(d) {}
    void documentToBeDestroyed(Document& doc) override { data.docData(doc).note = "stale"; }
    DocumentDataManager<Record>& data;
  } reader(data);
  ReactorToken token = docs.addReactor(reader);
  Document& d = newDocument();
  data.docData(d);
  docs.closeDocument(d);
  EXPECT_EQ(data.size(), 0u);
  // Whatever address the next drawing gets, it starts with a fresh record.
  Document& next = newDocument();
  EXPECT_EQ(data.docData(next).note, "fresh");
}

TEST_F(DocumentsTest, LocksNestAreReleasedOnEveryPathAndBlockClosing) {
  DocumentManager& docs = host().documents();
  Document& d = newDocument();
  auto work = [&](bool leaveEarly) {
    DocumentLock lock(docs);
    EXPECT_TRUE(lock.locked());
    EXPECT_EQ(d.lockMode(), LockMode::Write);
    if (leaveEarly) return 1;
    {
      DocumentLock inner(docs, d, LockMode::Read);
      EXPECT_EQ(d.lockMode(), LockMode::Write);
      EXPECT_EQ(docs.closeDocument(d), Status::Locked);
    }
    return 2;
  };
  EXPECT_EQ(work(true), 1);
  EXPECT_EQ(d.lockMode(), LockMode::None);
  EXPECT_EQ(work(false), 2);
  EXPECT_EQ(d.lockMode(), LockMode::None);

  {
    DocumentLock lock(docs, d, LockMode::Read);
    EXPECT_EQ(d.lockMode(), LockMode::Read);
    lock.unlock();
    lock.unlock();  // once only
    EXPECT_EQ(d.lockMode(), LockMode::None);
  }
  EXPECT_EQ(docs.unlockDocument(d), Status::Error);  // nothing to release
  EXPECT_EQ(docs.lockDocument(d, LockMode::None), Status::InvalidInput);
  // A command of a module that locks the current document releases it too.
  EXPECT_EQ(docs.closeDocument(d), Status::Normal);
  DocumentLock none(docs);
  EXPECT_EQ(none.status(), Status::NotFound);
}

TEST_F(DocumentsTest, OpenSaveAndCloseGoThroughTheFileFunctions) {
  DocumentManager& docs = host().documents();
  Result<Document*> bad = docs.openDocument("drawing.txt");
  EXPECT_EQ(bad.status(), Status::FileError);
  EXPECT_EQ(docs.documentCount(), 0u);

  Result<Document*> opened = docs.openDocument("site/plan.dxf");
  ASSERT_TRUE(opened.ok());
  Document& plan = *opened.value();
  EXPECT_EQ(plan.title(), "plan.dxf");
  EXPECT_TRUE(std::filesystem::path(plan.fileName()).is_absolute());
  // Opening it again shows the open drawing instead of a second copy.
  Document& other = newDocument();
  EXPECT_EQ(docs.openDocument("site/../site/plan.dxf").value(), &plan);
  EXPECT_EQ(docs.curDocument(), &plan);
  EXPECT_EQ(docs.documentCount(), 2u);

  EXPECT_EQ(docs.saveDocument(other), Status::NotFound);  // never saved: needs a name
  EXPECT_EQ(docs.saveDocumentAs(other, ""), Status::InvalidInput);
  EXPECT_EQ(docs.saveDocumentAs(other, "out/new.dxf.fail"), Status::FileError);
  EXPECT_EQ(other.title(), "Drawing1.dxf");
  ASSERT_EQ(docs.saveDocumentAs(other, "out/new.dxf"), Status::Normal);
  EXPECT_EQ(other.title(), "new.dxf");
  ASSERT_EQ(docs.saveDocument(other), Status::Normal);
  ASSERT_EQ(files_.written.size(), 2u);
  EXPECT_EQ(files_.written[0], files_.written[1]);
  EXPECT_EQ(files_.written[1], other.fileName());

  docs.closeDocument(plan);
  EXPECT_EQ(docs.closeDocument(plan), Status::NotFound);
  EXPECT_EQ(docs.activateDocument(plan), Status::NotFound);
}

TEST(DocumentsWithoutFiles, ANewDrawingNeedsNoFileFunctions) {
  std::ostringstream out;
  headless::HeadlessOptions o;
  o.output = &out;
  headless::HeadlessHost host(std::move(o));
  EXPECT_NE(host.documents().openDocument("no such folder/x.dxf").status(), Status::Normal);
  ASSERT_TRUE(host.documents().newDocument().ok());
  EXPECT_TRUE(host.documents().curDocument()->database().layers().has("0"));
}

}  // namespace
}  // namespace host
