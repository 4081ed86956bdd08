// The category bar of the common-software page: one button per common category of
// "software/TypeReq.xml" (numbers 1 to records - 1), ids 2299 + number, images
// "/img/rtype<number>.png", shown only for categories the state manager knows. Pressing one posts
// 1999 with its number to the page; 1079 and 1080 scroll the bar.
#pragma once

#include "app/pages/category_bar.h"

class SoftwareMgr;

class CDlgSoftReqType : public CSoftCategoryBar {
  Q_OBJECT
 public:
  static constexpr unsigned kBaseId = 2299;
  CDlgSoftReqType(QWidget* parent, ds::MsgHandle page);
  void Build(SoftwareMgr& manager);
};
