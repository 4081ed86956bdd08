// The base of every skinned window: a QWidget that takes numeric messages, paints its
// background from a skin image (whole or nine-grid), can take the shape of its artwork, is
// dragged by its body (top-level windows only) and keeps a registry of its widgets by control
// id. Top-level dialogs are frameless windows; DoModal runs a loop of their own until
// EndDialog, blocking no other window. The close button of the window manager and Escape go to
// OnClose, each window's own close path; Enter never closes a window.
//
// Child controls show this background through Qt's own composition (a child paints over what
// its parent painted), so no background cache and no background request message are kept.
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "vexo/export.h"
#include "vexo/ui/dialog/dialog_loader.h"
#include "vexo/ui/dialog/message_window.h"

class QEventLoop;
class VEXO_Image;
class VEXO_RenderImage;

class VEXO_API VEXO_Dialog : public QWidget, public VEXO_MessageWindow {
  Q_OBJECT

 public:
  enum Kind { kTopLevel, kChild };
  static constexpr int IDOK = 1;
  static constexpr int IDCANCEL = 2;

  // A top-level dialog (frameless window, owned by `parent` when given) or a child dialog (a
  // page inside `parent`, not dragged).
  explicit VEXO_Dialog(QWidget* parent = nullptr, Kind kind = kTopLevel);
  ~VEXO_Dialog() override;

  // Whole-image background; title height 0. 1.
  int SetImage(VEXO_Image* image);
  // Nine-grid background; title height = y1. 1.
  int SetImage(VEXO_Image* image, int x1, int x2, int y1, int y2);
  void SetTitleHeight(int height) { title_height_ = height; }
  int GetTitleHeight() const { return title_height_; }
  VEXO_RenderImage* GetRenderer() const { return renderer_.get(); }
  // Draws the background onto the client area; nothing without a renderer.
  virtual void DrawBackground(QPainter* painter);

  // Shapes the window: the background drawn at the window size with pixels of `colour` cut
  // away. `alpha` is not used; `layered` asks for a colour-keyed layered window, which the
  // window system here does not offer, so the shape is used either way. 0 without a background.
  int Transparent(std::uint32_t colour, int alpha, int layered);
  // Shapes the window from the background's own transparency (drawn over magenta, magenta
  // cut away). 0 without a background.
  int TransparentPng();

  // Saves the current geometry (GetSavedRect) and fills the primary screen's available area.
  void ShowMaxSize();
  QRect GetSavedRect() const { return saved_rect_; }

  // Geometry helpers on a child window or a registered control id; 0 when it does not exist. An
  // id whose window is wrapped in skinned scroll bars (CSkinScrollWnd) names the frame.
  int SafeGetClientRect(QWidget* window, QRect& rect) const;
  int SafeGetClientRect(unsigned id, QRect& rect) const;
  // Moves and resizes; a negative width or height gives size 0 x 0.
  int SafeMoveWindow(QWidget* window, int x, int y, int w, int h);
  int SafeMoveWindow(unsigned id, int x, int y, int w, int h);

  // Widget registry (widgets are not owned; a destroyed widget is no longer found).
  int AddWidget(unsigned id, QWidget* widget);
  int RemoveWidget(unsigned id);
  QWidget* FindWidget(unsigned id) const;

  // Builds the dialog from the layout file `name` (see VEXO_DialogLoader); its widgets are
  // created by OnInitDialog. 0 for a null name or a layout that does not load.
  int Init(const char* name, int modal);
  const std::string& GetLayoutName() const { return layout_; }
  VEXO_DialogLoader& GetLoader() { return loader_; }

  // Runs OnInitDialog once, shows the window and runs its own loop until EndDialog; the code.
  int DoModal();
  // Runs OnInitDialog once and shows the window without a loop. 1.
  int Create();
  // Ends DoModal with `code` and hides the window; called while DoModal initialises the
  // dialog, DoModal returns `code` without running its loop.
  void EndDialog(int code);
  bool IsModalRunning() const { return loop_ != nullptr; }

  // Disabling a top-level window blocks mouse, wheel and key input to it and its child
  // controls; it still paints, and windows it owns stay usable.
  void EnableWindow(bool enable);
  bool IsWindowEnabled() const { return !input_blocked_; }

 protected:
  // Creates the layout's widgets when a layout name is stored. 1.
  virtual int OnInitDialog();
  // The window's close path: the window manager's close and Escape. Default: EndDialog(IDCANCEL).
  virtual void OnClose();

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* Resolve(unsigned id) const;
  void InitOnce();

  Kind kind_;
  std::unique_ptr<VEXO_RenderImage> renderer_;
  int title_height_ = 0;
  std::map<unsigned, QPointer<QWidget>> widgets_;
  std::string layout_;
  VEXO_DialogLoader loader_;
  QRect saved_rect_;
  std::uint32_t transparent_colour_ = 0xFFFFFFFFu;
  bool initialised_ = false;
  QEventLoop* loop_ = nullptr;
  int result_ = 0;
  bool ended_ = false;  // EndDialog came since DoModal began
  bool input_blocked_ = false;
  bool drag_armed_ = false;
  bool dragging_manually_ = false;
  QPoint drag_press_;
  QPoint drag_origin_;
};
