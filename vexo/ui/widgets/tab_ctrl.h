// The skinned tab control: a row of tabs along the top, each drawn nine-grid from one half of the
// tab image (other tabs the left half, the selected tab the right half) with its title in the
// skin font, and below it the page area where the page window of the selected tab is shown.
// A click on a tab, or Left and Right with the focus, selects it: the parent window is sent
// WM_NOTIFY with TCN_SELCHANGING (a non-zero answer keeps the current tab), then, once the new
// page shows, TCN_SELCHANGE. SetCurSel selects without notifications.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "vexo/export.h"

class VEXO_Image;
class VEXO_RenderImage9;

namespace vexo_msg {
constexpr int TCN_SELCHANGE = -551;
constexpr int TCN_SELCHANGING = -552;
}  // namespace vexo_msg

class VEXO_API VEXO_TabCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit VEXO_TabCtrl(QWidget* parent = nullptr);
  ~VEXO_TabCtrl() override;

  int Create(const QRect& rect, QWidget* parent, unsigned id);
  // The two-half tab image and the nine-grid cuts inside each half. 1.
  int Init(VEXO_Image* image, int x1 = 5, int x2 = 55, int y1 = 5, int y2 = 20);
  // Text colours of the other tabs and of the selected (and hot) tab, 0x00BBGGRR.
  void SetTextColor(std::uint32_t normal, std::uint32_t selected);

  // Appends a tab titled `title` (UTF-8) whose page is `page` (may be null); the page becomes a
  // child of the control, laid over the page area, and is shown only while its tab is
  // selected. The first tab added is selected. The new tab's index.
  int AddPage(const char* title, QWidget* page);
  // Removes tab `index`; its page is hidden and stays a child of the control (the caller may
  // delete it). The selection moves to the tab before it. 1, or 0 for a bad index.
  int RemovePage(int index);
  // Selects tab `index` and shows its page; no notifications. The previous selection, or -1 for
  // a bad index.
  int SetCurSel(int index);
  int GetCurSel() const { return current_; }
  int GetItemCount() const { return static_cast<int>(tabs_.size()); }
  QWidget* GetPage(int index) const;
  std::string GetItemText(int index) const;
  // The tab under `point` (control coordinates), -1 for none.
  int HitTest(const QPoint& point) const;
  QRect GetItemRect(int index) const;
  // The area pages are laid over.
  QRect GetPageRect() const;
  int GetHotItem() const { return hot_; }

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Tab {
    QString title;
    QWidget* page;
  };
  int StripHeight() const;
  void LayoutPages();
  void ShowCurrentPage();
  // The notified change of selection a click or key asks for.
  void ChangeSelection(int index);
  void SetHot(int index);

  unsigned id_ = 0;
  std::vector<Tab> tabs_;
  int current_ = -1;
  int hot_ = -1;
  std::unique_ptr<VEXO_RenderImage9> renderer_;
  std::uint32_t text_colour_ = 0x2B2B2B;
  std::uint32_t selected_colour_ = 0xA85F1F;
};
