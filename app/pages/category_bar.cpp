#include "app/pages/category_bar.h"

#include <algorithm>

#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"

namespace {

VEXO_Image* Image(const std::string& name) { return VEXO_ResourceMgr::Instance()->GetImage(name.c_str()); }

}  // namespace

CSoftCategoryBar::CSoftCategoryBar(QWidget* parent, ds::MsgHandle page, unsigned selectMessage,
                                   unsigned upCommand, unsigned downCommand)
    : VEXO_Dialog(parent, kChild),
      page_(page),
      select_message_(selectMessage),
      up_command_(upCommand),
      down_command_(downCommand) {
  setObjectName(QStringLiteral("CSoftCategoryBar"));
  up_ = new VEXO_Button(this);
  up_->Create("", QRect(0, 0, kWidth, kScrollButtonHeight), this, upCommand);
  up_->SetImage(Image("img/TypeUp.png"));
  down_ = new VEXO_Button(this);
  down_->Create("", QRect(0, 0, kWidth, kScrollButtonHeight), this, downCommand);
  down_->SetImage(Image("img/TypeDown.png"));
}

void CSoftCategoryBar::SetEntries(const std::vector<Entry>& entries) {
  for (VEXO_Checkbox* button : buttons_) {
    RemoveWidget(button->GetId());
    delete button;
  }
  buttons_.clear();
  entries_ = entries;
  for (const Entry& entry : entries_) {
    auto* button = new VEXO_Checkbox(this);
    VEXO_Image* image = Image(entry.image);
    const int w = image ? image->GetWidth() / 4 : kWidth;
    const int h = image ? image->GetHeight() : 30;
    button->Create("", QRect(0, 0, w, h), this, entry.id);
    button->Init(image, VEXO_Checkbox::kStretch, 0xFFFFFFFFu);
    button->setVisible(entry.shown);
    buttons_.push_back(button);
    AddWidget(entry.id, button);
  }
  first_ = 0;
  Select(selected_);
  Layout();
}

VEXO_Checkbox* CSoftCategoryBar::ButtonFor(int category) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].category == category) return buttons_[i];
  return nullptr;
}

void CSoftCategoryBar::Select(int category) {
  selected_ = category;
  for (std::size_t i = 0; i < entries_.size(); ++i) buttons_[i]->SetCheck(entries_[i].category == category ? 0 : 1);
}

int CSoftCategoryBar::ShownCount() const {
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.shown; }));
}

int CSoftCategoryBar::ButtonHeight() const { return buttons_.empty() ? 30 : std::max(1, buttons_.front()->height()); }

int CSoftCategoryBar::VisibleButtons() const {
  return std::max(1, (height() - 2 * kScrollButtonHeight) / ButtonHeight());
}

void CSoftCategoryBar::Layout() {
  const int shown = ShownCount();
  const bool scrolls = shown * ButtonHeight() > height();
  const int top = scrolls ? kScrollButtonHeight : 0;
  if (!scrolls) first_ = 0;
  first_ = std::clamp(first_, 0, std::max(0, shown - VisibleButtons()));
  int slot = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i].shown) continue;
    const int y = top + (slot - first_) * ButtonHeight();
    buttons_[i]->move(0, y);
    // Buttons scrolled out of the column are hidden, not drawn over the scroll buttons.
    buttons_[i]->setVisible(slot >= first_ && y + ButtonHeight() <= height() - (scrolls ? kScrollButtonHeight : 0));
    ++slot;
  }
  up_->setVisible(scrolls);
  down_->setVisible(scrolls);
  up_->move(0, 0);
  down_->move(0, height() - kScrollButtonHeight);
  up_->setEnabled(first_ > 0);
  down_->setEnabled(first_ + VisibleButtons() < shown);
  up_->raise();
  down_->raise();
}

void CSoftCategoryBar::resizeEvent(QResizeEvent* event) {
  VEXO_Dialog::resizeEvent(event);
  Layout();
}

ds::LResult CSoftCategoryBar::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_COMMAND || vexo_msg::HighWord(wparam) != vexo_msg::BN_CLICKED)
    return VEXO_Dialog::WindowProc(message, wparam, lparam);
  const unsigned id = vexo_msg::LowWord(wparam);
  if (id == up_command_ || id == down_command_) {
    first_ += id == up_command_ ? -1 : 1;
    Layout();
    return 1;
  }
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].id == id) {
      // The press toggled the box; the selection sets every box again.
      Select(selected_);
      ds::PostMessageTo(page_, select_message_, static_cast<ds::WParam>(entries_[i].category), 0);
      return 1;
    }
  return 1;
}
