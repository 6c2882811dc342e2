#pragma once
// The two list classes the pages use: CListCtrlEx (the plug-in's point list, or the export
// tool's main table with header choosers) and CListCtrlEdit (the export tool's code list).

#include "controls/list_ctrl.h"

namespace controls {

class CListCtrlEx final : public ListCtrl {
  Q_OBJECT
 public:
  explicit CListCtrlEx(QWidget* parent, const ListOptions& options = ListOptions::PointList());
};

class CListCtrlEdit final : public ListCtrl {
  Q_OBJECT
 public:
  explicit CListCtrlEdit(QWidget* parent);
};

}  // namespace controls
