// Skinned scroll bars for a scrolling window. SkinWindow puts a frame (object name
// "SkinScrollBarFrame") in the window's place — same parent, position and control id — with a
// clipping child "LIMIT" (id 200) holding the window and two CSkinScrollBar children
// (horizontal id 100, vertical id 101). The window's own scroll bars are switched off; the
// skinned ones follow its scroll range, page and position and drive it in turn. A 500 ms timer
// (id 100) re-reads the window's scroll state for changes that send no signal. The frame answers
// to the window's control id: a dialog moving or measuring that id moves the frame.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QScrollBar>
#include <QPointer>
#include <QWidget>

#include "vexo/export.h"



class CSkinScrollBar;
class VEXO_Image;

// Keeps one skinned bar and one Qt scroll bar in step: the skinned bar shows the Qt bar's range
// (as scroll info: max = Qt max + page - 1) and its line, page and thumb codes move the Qt bar.
class VEXO_API VEXO_ScrollBarLink : public QObject {
  Q_OBJECT

 public:
  VEXO_ScrollBarLink(CSkinScrollBar* skin, QScrollBar* bar, QObject* parent = nullptr);
  // Copies the Qt bar's state to the skinned bar.
  void Sync();
  // Applies a scroll code to the Qt bar.
  void Apply(int code, int pos);

 private:
  QPointer<CSkinScrollBar> skin_;
  QPointer<QScrollBar> bar_;
};

class VEXO_API CSkinScrollWnd : public QWidget {
  Q_OBJECT

 public:
  static constexpr unsigned kLimitId = 200;
  static constexpr unsigned kHorzId = 100;
  static constexpr unsigned kVertId = 101;
  static constexpr int kTimerId = 100;

  CSkinScrollWnd();
  ~CSkinScrollWnd() override;

  // Wraps `window`, a scroll area; 0 for a null window or one that is not a scroll area.
  int SkinWindow(QAbstractScrollArea* window, VEXO_Image* image);
  bool IssbHorzShow() const;
  bool IssbVertShow() const;
  // Horizontal room the vertical bar takes (0 while hidden).
  int GetHorzWidth() const;

  QAbstractScrollArea* GetWindow() const { return window_; }
  // The frame wrapping `window`, or null when it is not wrapped.
  static CSkinScrollWnd* FrameOf(const QWidget* window);
  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }
  QWidget* GetLimit() const { return limit_; }
  CSkinScrollBar* GetHorzBar() const { return horz_; }
  CSkinScrollBar* GetVertBar() const { return vert_; }

  // Re-reads the window's scroll state and lays the bars out.
  void Resync();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void Layout();

  QPointer<QAbstractScrollArea> window_;
  unsigned id_ = 0;
  QWidget* limit_ = nullptr;
  CSkinScrollBar* horz_ = nullptr;
  CSkinScrollBar* vert_ = nullptr;
  VEXO_ScrollBarLink* horz_link_ = nullptr;
  VEXO_ScrollBarLink* vert_link_ = nullptr;
  QBasicTimer timer_;
};

// A skinned bar of `orientation` in place of the scroll area `window`'s own bar, which is switched
// off: a child of `holder` with the id of its kind (kVertId, kHorzId), moving the window's bar
// through a link (also a child of `holder`, returned in `link`) and sending its scroll messages
// to the window, never to the page around it. The caller gives it its image and place.
VEXO_API CSkinScrollBar* VEXO_MakeSkinBar(Qt::Orientation orientation, QWidget* holder,
                                          QAbstractScrollArea* window, VEXO_ScrollBarLink** link);

// Creates the frame for `window` with the bar image; null when it cannot. The frame is a child
// of the window's former parent and owns the window from then on.
VEXO_API CSkinScrollWnd* SkinWndScrollimg(QAbstractScrollArea* window, VEXO_Image* image);
