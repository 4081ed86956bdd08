// The often-used web sites page: the user's sites in a numbered list, a name and an address
// edit, and add, modify, up, down, delete and delete all. Every refusal shows its message through
// the settings dialog's message box.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/assoc/site_list_editor.h"
#include "vexo/ui/dialog/dialog.h"

class VEXO_Edit;
class VEXO_ListCtrl;

class CDlgChangeHtml : public VEXO_Dialog {
  Q_OBJECT
 public:
  static constexpr unsigned kList = 1501;
  static constexpr unsigned kName = 1502;
  static constexpr unsigned kAddress = 1503;
  static constexpr unsigned kAdd = 1504;
  static constexpr unsigned kModify = 1505;
  static constexpr unsigned kUp = 1506;
  static constexpr unsigned kDown = 1507;
  static constexpr unsigned kDelete = 1508;
  static constexpr unsigned kDeleteAll = 1509;

  explicit CDlgChangeHtml(QWidget* parent);
  ~CDlgChangeHtml() override;

  // Starts from the user's sites; `notify` shows a message to the user.
  void InitPage(std::vector<ds::Site> sites, int defaultCount, std::function<void(const std::string&)> notify);
  // Stores what the edits hold when it is new; false when that was refused (its message shows).
  bool StorePending();
  // Added, changed, moved or deleted entries, or text in the edits that is not stored yet.
  bool HasPendingChange() const;
  const std::vector<ds::Site>& Sites() const { return editor_->Sites(); }
  VEXO_ListCtrl* List() const { return list_; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

 protected:
  int OnInitDialog() override;

 private:
  void Refill(int selected);
  void Tell(const std::string& message);

  std::unique_ptr<SiteListEditor> editor_;
  std::function<void(const std::string&)> notify_;
  VEXO_ListCtrl* list_ = nullptr;
  VEXO_Edit* name_ = nullptr;
  VEXO_Edit* address_ = nullptr;
};
