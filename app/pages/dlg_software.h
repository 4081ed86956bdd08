// The all-software page: the catalogue by category, twenty programs a page (the main window's
// pager turns the pages), each with its state and action button; the search by name, pinyin and
// initials; "没有搜索到相关软件" when a search finds nothing. Installers started here run on a
// worker that waits for them.
#pragma once

#include "app/pages/pinyin_index.h"
#include "app/pages/soft_list_rules.h"
#include "app/pages/soft_page.h"

class CDlgSoftAllType;
class VEXO_Label;

class DlgSoftware : public CSoftPage {
  Q_OBJECT
 public:
  DlgSoftware(QWidget* parent, ds::MsgHandle main);

  void ShowGadget() override;

  void SelectCategory(int category);
  void SearchSoftware(const std::string& query);
  void ShowPage(int page);

  int CurrentCategory() const { return category_; }
  int CurrentPage() const { return page_; }
  int PageCount() const { return soft_pages::PageCount(results_.size()); }
  const soft_pages::StateList& Results() const { return results_; }
  bool NoResultShown() const;
  CDlgSoftAllType* TypeBar() const;

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  void LayoutChildren() override;

 private:
  void Refill();
  void BuildSearchIndex();

  soft_pages::StateList results_;
  soft_pages::StateList candidates_;
  PinyinIndex index_;
  int category_ = 0;
  int page_ = 1;
  VEXO_Label* no_result_ = nullptr;
};
