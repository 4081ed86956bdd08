// The skinned push button. Its image is a strip of four looks side by side (normal, hot,
// pressed, disabled), drawn whole-image or nine-grid; the caption is drawn centred on one line.
// A click notifies the parent window with WM_COMMAND(id, BN_CLICKED) — or, when the button has a
// menu, opens the menu and posts the chosen command to the menu's owner instead. The keyboard
// never presses it: Space, Return, Enter and Select are dropped.
#pragma once

#include <QAbstractButton>
#include <cstdint>
#include <memory>
#include <string>

#include "core/thread/message_target.h"
#include "vexo/export.h"

class BCMenu;
struct BCMenuItem;
class VEXO_Image;
class VEXO_RenderImage;
class VEXO_ResourceMgr;

class VEXO_API VEXO_Button : public QAbstractButton {
  Q_OBJECT

 public:
  enum State { kNormal = 1, kHot = 2, kDisabled = 3, kPressed = 4 };

  explicit VEXO_Button(QWidget* parent = nullptr);
  ~VEXO_Button() override;

  // Places the button as a visible child of `parent` at `rect` with caption `text` (UTF-8).
  int Create(const char* text, const QRect& rect, QWidget* parent, unsigned id);

  // Whole-image renderer with `colour` as colour key (0xFFFFFFFF for none). With `fixsize`
  // non-zero and an image, the button takes the size of one look (W/4 x H). 1.
  virtual int SetImage(VEXO_Image* image, int fixsize = 0, std::uint32_t colour = 0xFFFFFFFFu);
  // The same with a nine-grid renderer cut at x1, x2, y1, y2 within each look.
  virtual int SetImage(VEXO_Image* image, int x1, int x2, int y1, int y2, int fixsize,
                       std::uint32_t colour);
  // As SetImage(image, shaped, colour); with `shaped` non-zero the button also takes the shape
  // of its normal look with `colour` cut away. 0 when no shape could be built.
  virtual int SetImageEx(VEXO_Image* image, int shaped, std::uint32_t colour);

  void SetButtonFontColor(std::uint32_t colour);
  std::uint32_t GetButtonFontColor() const { return text_colour_; }
  void SetMoveOnMouseSound(const char* name) { sound_ = name ? name : ""; }
  void SetPlaySound(bool on) { play_sound_ = on; }
  void SetRescourceMgr(VEXO_ResourceMgr* manager) { resources_ = manager; }
  bool IsMouseOn() const { return mouse_on_; }
  bool IsShaped() const { return shaped_; }

  // A popup menu shown when the button is clicked; its commands are posted as
  // WM_COMMAND(command, 0) to `owner`. Null or no items removes the menu. 0 on success, 1 when
  // the table could not be loaded.
  int SetMenu(const BCMenuItem* items, int count, ds::MsgHandle owner, bool redraw = true);
  // Before the menu opens `window` is sent `message` with the BCMenu* in wParam and `parameter`
  // in lParam (the owner may grey or tick items).
  void SetMenuCallback(ds::MsgHandle window, unsigned message, ds::LParam parameter);
  BCMenu* GetMenu() const { return menu_.get(); }
  bool IsShowingMenu() const { return showing_menu_; }

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }
  int GetState() const { return state_; }
  VEXO_RenderImage* GetRenderer() const { return renderer_.get(); }

  // Source rectangle of `state` in the current image; empty without one.
  QRect StateSource(int state) const;
  // Number of looks in the button's strip (4).
  virtual int StateCount() const { return 4; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Draws the look of `state` and then the caption; derived buttons add their own layers.
  virtual void DrawButton(QPainter* painter, int state);
  void DrawCaption(QPainter* painter, int state);

  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

  void SetState(int state);
  void BecomeHot();

 private:
  void OnClicked();
  void ShowMenu();
  void ApplyRenderer(std::unique_ptr<VEXO_RenderImage> renderer, VEXO_Image* image, int fixsize,
                     std::uint32_t colour);

  unsigned id_ = 0;
  int state_ = kNormal;
  std::unique_ptr<VEXO_RenderImage> renderer_;
  std::string sound_;
  bool play_sound_ = false;
  VEXO_ResourceMgr* resources_ = nullptr;
  bool mouse_on_ = false;
  std::uint32_t text_colour_ = 0;
  bool shaped_ = false;
  std::unique_ptr<BCMenu> menu_;
  ds::MsgHandle menu_owner_ = 0;
  ds::MsgHandle callback_window_ = 0;
  unsigned callback_message_ = 0;
  ds::LParam callback_parameter_ = 0;
  bool showing_menu_ = false;
};
