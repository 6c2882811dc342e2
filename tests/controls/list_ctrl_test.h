#pragma once
#include <QObject>

class ListCtrlTest final : public QObject {
  Q_OBJECT
 private slots:
  void filteredCommit_data();
  void filteredCommit();
  void unfilteredColumnTakesTextAsTyped();
  void escapeRestoresAndKeepsEditing();
  void incrementProposalIsCommittedUntouched();
  void deleteKeyOnFirstLastAndMiddleRows();
  void enterAndUpSkipDeletedRows();
  void remarkOfLastPointIsNotReached();
  void secondCommitChangesNothing();
  void readOnlyAndNarrowColumns();
  void autoSizeKeepsWithinLimits();
  void autoSizeFollowsChangedTexts();
  void fillRowsTellsTheViewsOnce();
  void editOpenWhileRowsChangeIsDropped();
  void marksFollowBoundsAndClearWithRows();
  void paintsRowColours();
  void wheelClosesEditorFirst();
  void editorWidensWhileTyping();
  void columnTipShowsOverEveryCell();
};
