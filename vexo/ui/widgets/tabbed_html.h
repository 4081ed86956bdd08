// A page view for tabbed windows: a local HTML view like VEXO_HtmlCtrl with the usual browser
// commands (back, forward, refresh, save as, find, font sizes, add to favourites, view source)
// and notifications to its owner, a VEXO_ITabbedHtmlMgr: title and location changes, the link
// under the mouse, links to open in a new tab (pages of the web, or any link clicked with Ctrl),
// favourites and source requests. The owner may close (destroy) the view from any notification.
// Printing has no printer support in this build.
#pragma once

#include <QTextBrowser>
#include <string>

#include "vexo/export.h"

class VEXO_TabbedHtml;

class VEXO_API VEXO_ITabbedHtmlMgr {
 public:
  virtual ~VEXO_ITabbedHtmlMgr() = default;
  virtual void OnNavigateComplete(VEXO_TabbedHtml* html, const char* url) = 0;
  virtual void OnTitleChange(VEXO_TabbedHtml* html, const char* title) = 0;
  virtual void OnStatusTextChange(VEXO_TabbedHtml* html, const char* text) = 0;
  virtual void OnNewWindow(VEXO_TabbedHtml* html, const char* url) = 0;
  virtual void OnAddFavorite(VEXO_TabbedHtml* html, const char* title, const char* url) = 0;
  virtual void OnViewSource(VEXO_TabbedHtml* html, const char* source) = 0;
};

class VEXO_API VEXO_TabbedHtml : public QTextBrowser {
  Q_OBJECT

 public:
  static constexpr int kSmallest = 0;
  static constexpr int kMedium = 2;
  static constexpr int kLargest = 4;

  explicit VEXO_TabbedHtml(QWidget* parent = nullptr);
  ~VEXO_TabbedHtml() override;

  int Create(const QRect& rect, QWidget* parent, unsigned id);
  void SetMgr(VEXO_ITabbedHtmlMgr* mgr) { mgr_ = mgr; }

  // Shows the local file `path` (a path or a file: URL). 1, or 0 when it is no readable file.
  int Navigate(const char* path);
  void GoBack();
  void GoForward();
  void Refresh();
  // No printer support in this build: nothing is printed. 0.
  int Print();
  // Writes the page as HTML (UTF-8) to `path`. 1/0.
  int SaveAs(const char* path);
  // Selects the next (or previous) occurrence of `text`. 1 when found.
  int Find(const char* text, bool forward = true, bool match_case = false);
  // Text size steps from kSmallest to kLargest; kMedium is the page's own size.
  void SetFontSize(int size);
  int GetFontSize() const { return font_size_; }
  // Hands the page's title and location to the owner.
  void AddFavorite();
  // Hands the page's source text (the file as stored) to the owner.
  void ViewSource();
  std::string GetTitle() const;
  std::string GetLocationURL() const;

  void SetId(unsigned id) { id_ = id; }
  unsigned GetId() const { return id_; }

 protected:
  // The view's own context menu, in the menu look.
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // Tells the owner about a navigation that just finished (location, then title).
  void ReportNavigation();
  void OnAnchorClicked(const QUrl& url);

  unsigned id_ = 0;
  VEXO_ITabbedHtmlMgr* mgr_ = nullptr;
  int font_size_ = kMedium;
  int base_point_size_ = 0;
  bool navigated_ = false;
};
