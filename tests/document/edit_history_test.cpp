// The history's bookkeeping: what redo and the saved mark become after a new
// edit, and the oldest steps going beyond the limit.
#include <gtest/gtest.h>

#include "document/edit_history.h"

using namespace velkor;

namespace {

struct History : testing::Test {
  ProgramDocument doc;
  EditHistory history;
  void SetUp() override { history.reset(doc, ProgramOrigin::fromFile("a.prg")); }
  void edit(int page) {
    doc.zero1Click(FieldId::hold(page));
    ASSERT_TRUE(history.record(doc, "le maintien"));
  }
};

TEST_F(History, EachOriginIsUnmodifiedAtTheStateItHolds) {
  edit(8);
  EXPECT_FALSE(history.atSavedState());
  edit(9);
  history.markSaved("b.prg");
  EXPECT_TRUE(history.atSavedState());
  history.undo(doc);
  EXPECT_FALSE(history.atSavedState());
  EXPECT_EQ(history.origin(), ProgramOrigin::fromFile("a.prg"));
  history.undo(doc);
  EXPECT_TRUE(history.atSavedState()) << "what a.prg holds";
  history.redo(doc);
  history.redo(doc);
  EXPECT_TRUE(history.atSavedState()) << "what b.prg holds";

  history.undo(doc);
  edit(10);  // drops the step b.prg holds, with what could be redone
  EXPECT_FALSE(history.canRedo());
  EXPECT_EQ(history.size(), 3u);
  EXPECT_EQ(history.origin(), ProgramOrigin::fromFile("a.prg"));
  history.undo(doc);
  history.undo(doc);
  EXPECT_TRUE(history.atSavedState());
  EXPECT_FALSE(doc.page(8).hold || doc.page(9).hold || doc.page(10).hold);
  EXPECT_FALSE(history.record(doc, "rien")) << "nothing changed";
  // The order of a choice list alone is no step.
  std::swap(doc.page(2).slot(2).choices[0], doc.page(2).slot(2).choices[1]);
  EXPECT_FALSE(history.record(doc, "rien"));
}

// Saving over a file read damaged: the file now holds the saved state, not
// the one it was read with.
TEST_F(History, AFileReadDamagedThenSavedHoldsOnlyWhatWasSaved) {
  history.reset(doc, ProgramOrigin::fromFile("a.prg", true));
  edit(8);
  history.markSaved("a.prg");
  EXPECT_TRUE(history.atSavedState());
  history.undo(doc);
  EXPECT_FALSE(history.atSavedState());
}

// A step holds the names beside the pages: naming is a step of its own, and
// a step that replaces the program (an open) brings its names and takes
// them back.
TEST_F(History, NamesAreStepsAndComeBackWithTheirStep) {
  doc.names.notes[0].name = "Bouton marche";
  ASSERT_TRUE(history.record(doc, "le nom (EL1)"));
  EXPECT_FALSE(history.atSavedState());
  ProgramDocument opened;
  opened.names.title = "Serre nord";
  history.recordOpened(opened, "l'ouverture de b.prg", ProgramOrigin::fromFile("b.prg"));
  EXPECT_TRUE(history.atSavedState());
  history.undo(opened);
  EXPECT_EQ(opened.names.label(0), "Bouton marche");
  EXPECT_EQ(opened.names.title, "");
  EXPECT_FALSE(history.differs(doc)) << "the names step, exactly";
  history.undo(opened);
  EXPECT_EQ(opened.names, ProgramNames{});
  EXPECT_TRUE(history.atSavedState());
  history.redo(opened);
  history.redo(opened);
  EXPECT_EQ(opened.names.title, "Serre nord");
  EXPECT_EQ(opened.names.label(0), "");
  EXPECT_FALSE(history.record(opened, "rien")) << "nothing changed";
}

TEST_F(History, BeyondTheLimitTheOldestStepsGo) {
  for (std::size_t i = 0; i < EditHistory::kMaxSteps + 5; ++i) edit(8);
  EXPECT_EQ(history.size(), EditHistory::kMaxSteps);
  std::size_t undone = 0;
  while (history.canUndo()) {
    history.undo(doc);
    ++undone;
  }
  EXPECT_EQ(undone, EditHistory::kMaxSteps - 1);
  EXPECT_FALSE(history.atSavedState()) << "the state opened first is gone";
  EXPECT_EQ(doc.page(8).hold, (EditHistory::kMaxSteps + 5 - undone) % 2 == 1);
}

}  // namespace
