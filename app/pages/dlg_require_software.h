// The common-software page: the programs of one common category at a time (bit n of `kind`),
// the first twenty in id order, with the items and actions of the all-software page. Every show
// returns to common category 1. An installer it asks for is started by the main window (2545).
#pragma once

#include "app/pages/soft_list_rules.h"
#include "app/pages/soft_page.h"

class CDlgSoftReqType;

class CdlgRequireSoftware : public CSoftPage {
  Q_OBJECT
 public:
  static constexpr unsigned kTimerRefresh = 223;

  CdlgRequireSoftware(QWidget* parent, ds::MsgHandle main);

  void ShowGadget() override;
  void HideGadget() override;
  void SelectCategory(int number);

  int CurrentCategory() const { return category_; }
  const soft_pages::StateList& List() const { return list_; }
  CDlgSoftReqType* TypeBar() const;

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;
  void OnTimer(unsigned id) override;

 protected:
  void InstallFromItem(int id) override;
  void LayoutChildren() override;

 private:
  soft_pages::StateList list_;
  int category_ = 1;
};
