// The category bar of the all-software page: the heading button (all programs) and one button
// per category of "software/type.xml", ids 3500 + index, images "/img/type<index>.png"; the
// last button stands for category 108. Pressing one posts 1005 with its category to the page;
// 1069 and 1070 scroll the bar.
#pragma once

#include "app/pages/category_bar.h"

class SoftwareMgr;

class CDlgSoftAllType : public CSoftCategoryBar {
  Q_OBJECT
 public:
  static constexpr unsigned kFirstId = 3500;
  CDlgSoftAllType(QWidget* parent, ds::MsgHandle page);
  // Buttons for the categories `manager` knows (the count from category 0's "Num").
  void Build(SoftwareMgr& manager);
};
