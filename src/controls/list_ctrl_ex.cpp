#include "controls/list_ctrl_ex.h"

namespace controls {

CListCtrlEx::CListCtrlEx(QWidget* parent, const ListOptions& options) : ListCtrl(options, parent) {}

CListCtrlEdit::CListCtrlEdit(QWidget* parent) : ListCtrl(ListOptions::CodeList(), parent) {}

}  // namespace controls
