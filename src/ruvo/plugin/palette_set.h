#pragma once
// The plug-in's dock window and the one palette in it.

#include "platform/ui/palette.h"
#include "platform/ui/palette_set.h"
#include "ruvo/plugin/palette_child_dlg.h"
#include "ruvo/section/edition.h"

namespace ruvo {

class PageContext;

inline constexpr const char* kPaletteTitle = kPaletteCaption;

class CMyPaletteSet final : public ui::PaletteSet {
  Q_OBJECT
 public:
  CMyPaletteSet(Edition edition, QWidget* parent = nullptr);
  ~CMyPaletteSet() override;
};

class CMyPalette final : public ui::Palette {
  Q_OBJECT
 public:
  explicit CMyPalette(PageContext& context, QWidget* parent = nullptr);
  ~CMyPalette() override;

  CMyPaletteChildDlg& childDlg() { return m_childDlg; }
  bool keepsFocus() const override { return m_childDlg.KeepFocus(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  CMyPaletteChildDlg m_childDlg;
};

}  // namespace ruvo
