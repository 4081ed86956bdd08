#include "app/assoc/dlg_change_html.h"

#include <QFontMetrics>

#include <algorithm>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/widgets/edit.h"
#include "vexo/ui/widgets/image_button.h"
#include "vexo/ui/widgets/label.h"
#include "vexo/ui/widgets/list_ctrl.h"

namespace {

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

}  // namespace

CDlgChangeHtml::CDlgChangeHtml(QWidget* parent) : VEXO_Dialog(parent, kChild) {
  resize(464, 376);
  editor_ = std::make_unique<SiteListEditor>(std::vector<ds::Site>{}, 0);
}

CDlgChangeHtml::~CDlgChangeHtml() { DetachMessages(); }

int CDlgChangeHtml::OnInitDialog() {
  if (VEXO_Image* background = Image("img/OftenHtmlSet.png")) SetImage(background);
  list_ = new VEXO_ListCtrl(this);
  list_->Create(QRect(16, 12, 432, 230), this, kList);
  list_->Init();
  list_->InsertColumn(0, "", 0, 30);
  list_->InsertColumn(1, "网站名称", 0, 130);
  list_->InsertColumn(2, "网站地址", 0, 256);
  AddWidget(kList, list_);
  auto label = [this](const char* text, int y) {
    auto* item = new VEXO_Label(this);
    item->Create(text, VEXO_Label::SS_LEFT | VEXO_Label::SS_NOPREFIX, QRect(16, y, 70, 22), this, 0);
  };
  auto edit = [this](unsigned id, int y) {
    auto* item = new VEXO_Edit(this);
    item->Create(QRect(90, y, 260, 22), this, id);
    item->Init(Image("img/htmledit.png"));
    AddWidget(id, item);
    return item;
  };
  label("网站名称", 256);
  name_ = edit(kName, 256);
  label("网站地址", 286);
  address_ = edit(kAddress, 286);
  VEXO_AddImageButtons(this, {{kAdd, "img/add.png", QRect(364, 256, 64, 22)},
                              {kModify, "img/btModify.png", QRect(364, 286, 64, 22)},
                              {kUp, "img/up.png", QRect(16, 330, 64, 22)},
                              {kDown, "img/down.png", QRect(90, 330, 64, 22)},
                              {kDelete, "img/delete.png", QRect(164, 330, 64, 22)},
                              {kDeleteAll, "img/allDelete.png", QRect(238, 330, 64, 22)}});
  return 1;
}

void CDlgChangeHtml::InitPage(std::vector<ds::Site> sites, int defaultCount,
                              std::function<void(const std::string&)> notify) {
  Create();
  editor_ = std::make_unique<SiteListEditor>(std::move(sites), defaultCount);
  notify_ = std::move(notify);
  name_->SetWindowText("");
  address_->SetWindowText("");
  Refill(-1);
}

void CDlgChangeHtml::Refill(int selected) {
  list_->DeleteAllItems();
  const QFontMetrics metrics(list_->font());
  int widest = 0;
  const std::vector<ds::Site>& sites = editor_->Sites();
  for (std::size_t i = 0; i < sites.size(); ++i) {
    const int row = list_->InsertItem(static_cast<int>(i), std::to_string(i + 1).c_str());
    list_->SetItemText(row, 1, sites[i].name.c_str());
    list_->SetItemText(row, 2, sites[i].address.c_str());
    widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(sites[i].address)));
  }
  list_->SetColumnWidth(2, std::max(256, widest + 20));
  list_->SetSelectedRow(selected);
}

void CDlgChangeHtml::Tell(const std::string& message) {
  if (!message.empty() && notify_) notify_(message);
}

bool CDlgChangeHtml::HasPendingChange() const {
  const std::string name = name_ ? name_->GetWindowText() : "";
  const std::string address = address_ ? address_->GetWindowText() : "";
  const bool unstored = (!name.empty() || !address.empty()) && !editor_->Holds(name, address);
  return editor_->Changed() || unstored;
}

bool CDlgChangeHtml::StorePending() {
  const std::string name = name_->GetWindowText();
  const std::string address = address_->GetWindowText();
  if ((name.empty() && address.empty()) || editor_->Holds(name, address)) return true;
  const int row = list_->GetSelectedRow();
  const std::string refusal = row >= 0 ? editor_->Modify(row, name, address) : editor_->Add(name, address);
  Tell(refusal);
  if (!refusal.empty()) return false;
  Refill(row >= 0 ? row : static_cast<int>(editor_->Sites().size()) - 1);
  return true;
}

ds::LResult CDlgChangeHtml::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message == vexo_msg::WM_NOTIFY) {
    const auto* header = reinterpret_cast<const VEXO_NMHDR*>(lparam);
    if (header != nullptr && header->idFrom == kList && header->code == vexo_msg::NM_CLICK) {
      const int row = list_->GetSelectedRow();
      if (row >= 0 && row < static_cast<int>(editor_->Sites().size())) {
        name_->SetWindowText(editor_->Sites()[static_cast<std::size_t>(row)].name.c_str());
        address_->SetWindowText(editor_->Sites()[static_cast<std::size_t>(row)].address.c_str());
      }
      return 1;
    }
  }
  if (message != vexo_msg::WM_COMMAND || vexo_msg::HighWord(wparam) != vexo_msg::BN_CLICKED)
    return VEXO_Dialog::WindowProc(message, wparam, lparam);
  int row = list_->GetSelectedRow();
  switch (vexo_msg::LowWord(wparam)) {
    case kAdd: {
      const std::string refusal = editor_->Add(name_->GetWindowText(), address_->GetWindowText());
      Tell(refusal);
      if (refusal.empty()) Refill(static_cast<int>(editor_->Sites().size()) - 1);
      break;
    }
    case kModify: {
      if (row < 0) break;
      const std::string refusal = editor_->Modify(row, name_->GetWindowText(), address_->GetWindowText());
      Tell(refusal);
      if (refusal.empty()) Refill(row);
      break;
    }
    case kUp:
      Tell(editor_->MoveUp(&row));
      Refill(row);
      break;
    case kDown:
      Tell(editor_->MoveDown(&row));
      Refill(row);
      break;
    case kDelete:
      editor_->Remove(row);
      Refill(-1);
      break;
    case kDeleteAll:
      editor_->Clear();
      Refill(-1);
      break;
    default:
      break;
  }
  return 1;
}
