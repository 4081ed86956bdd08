// A view of local HTML pages (the home page's panels). NavigateFile opens the work directory
// text followed directly by the given name; loading is synchronous, so the progress reaches its
// maximum — IsComplete() — when NavigateFile returns. Back and forward availability follow the
// view's history. Links to the web open in the desktop's browser.
#pragma once

#include <QTextBrowser>

#include "vexo/export.h"

class VEXO_API VEXO_HtmlCtrl : public QTextBrowser {
  Q_OBJECT

 public:
  static constexpr int kProgressMax = 100;

  explicit VEXO_HtmlCtrl(QWidget* parent = nullptr);

  int Create(const QRect& rect, QWidget* parent, unsigned id);
  // 1 when the file exists and was shown; 0 otherwise (the view then shows nothing). Either
  // way the navigation is over when it returns.
  int NavigateFile(const char* name);
  bool IsComplete() const { return progress_ >= kProgressMax; }
  int GetProgress() const { return progress_; }
  // Starts the progress over (a new navigation is about to begin).
  void ReSetProcess() { progress_ = 0; }
  bool CanGoBack() const { return can_back_; }
  bool CanGoForward() const { return can_forward_; }
  void GoBack();
  void GoForward();
  // The file shown, empty when none.
  std::string GetLocationPath() const;

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 private:
  unsigned id_ = 0;
  int progress_ = 0;
  bool can_back_ = false;
  bool can_forward_ = false;
};
