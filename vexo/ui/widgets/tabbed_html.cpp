#include "vexo/ui/widgets/tabbed_html.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

#include "core/text/path.h"
#include "vexo/ui/render/skin_font.h"
#include "vexo/ui/widgets/menu_look.h"
#include "vexo/ui/widgets/notify_guard.h"

VEXO_TabbedHtml::VEXO_TabbedHtml(QWidget* parent) : QTextBrowser(parent) {
  setFrameShape(QFrame::NoFrame);
  setOpenLinks(false);
  VEXO_ApplySkinFont(this);
  base_point_size_ = font().pointSize() > 0 ? font().pointSize() : 9;
  // The view's signals come from inside its own handlers, where the owner must not close it:
  // what they report reaches the owner once those handlers are done.
  connect(this, &QTextBrowser::sourceChanged, this, [this] { navigated_ = true; });
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    QTimer::singleShot(0, this, [this, url] { OnAnchorClicked(url); });
  });
  connect(this, QOverload<const QUrl&>::of(&QTextBrowser::highlighted), this, [this](const QUrl& url) {
    QTimer::singleShot(0, this, [this, url] {
      if (mgr_) mgr_->OnStatusTextChange(this, url.toString().toStdString().c_str());
    });
  });
}

VEXO_TabbedHtml::~VEXO_TabbedHtml() = default;

int VEXO_TabbedHtml::Create(const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

int VEXO_TabbedHtml::Navigate(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  const QUrl given(QString::fromUtf8(path));
  const QString file = given.isLocalFile() ? given.toLocalFile()
                                            : QString::fromStdString(ds::NativePath(path));
  const QFileInfo info(file);
  if (!info.isFile() || !info.isReadable()) return 0;
  setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
  ReportNavigation();
  return 1;
}

void VEXO_TabbedHtml::GoBack() {
  backward();
  ReportNavigation();
}

void VEXO_TabbedHtml::GoForward() {
  forward();
  ReportNavigation();
}

void VEXO_TabbedHtml::Refresh() {
  reload();
  ReportNavigation();
}

int VEXO_TabbedHtml::Print() { return 0; }

int VEXO_TabbedHtml::SaveAs(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  QSaveFile out(QString::fromStdString(ds::NativePath(path)));
  if (!out.open(QIODevice::WriteOnly)) return 0;
  const QByteArray html = document()->toHtml().toUtf8();
  if (out.write(html) != html.size()) {
    out.cancelWriting();
    return 0;
  }
  return out.commit() ? 1 : 0;
}

int VEXO_TabbedHtml::Find(const char* text, bool forward, bool match_case) {
  if (text == nullptr || *text == '\0') return 0;
  QTextDocument::FindFlags flags;
  if (!forward) flags |= QTextDocument::FindBackward;
  if (match_case) flags |= QTextDocument::FindCaseSensitively;
  return find(QString::fromUtf8(text), flags) ? 1 : 0;
}

void VEXO_TabbedHtml::SetFontSize(int size) {
  size = std::clamp(size, kSmallest, kLargest);
  // Each step is two points either way of the page's own size.
  zoomIn((size - font_size_) * 2);
  font_size_ = size;
}

std::string VEXO_TabbedHtml::GetTitle() const { return documentTitle().toStdString(); }

std::string VEXO_TabbedHtml::GetLocationURL() const { return source().toString().toStdString(); }

void VEXO_TabbedHtml::AddFavorite() {
  if (mgr_) mgr_->OnAddFavorite(this, GetTitle().c_str(), GetLocationURL().c_str());
}

void VEXO_TabbedHtml::ViewSource() {
  if (!mgr_ || !source().isLocalFile()) return;
  QFile file(source().toLocalFile());
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = file.readAll();
  mgr_->OnViewSource(this, bytes.constData());
}

void VEXO_TabbedHtml::ReportNavigation() {
  if (!navigated_) return;
  navigated_ = false;
  if (!mgr_) return;
  VEXO_NotifyGuard guard(this);
  VEXO_ITabbedHtmlMgr* mgr = mgr_;
  const std::string location = GetLocationURL();
  const std::string title = GetTitle();
  mgr->OnNavigateComplete(this, location.c_str());
  if (!guard) return;  // the owner closed the view
  mgr->OnTitleChange(this, title.c_str());
}

void VEXO_TabbedHtml::contextMenuEvent(QContextMenuEvent* event) {
  VEXO_PopupContextMenu(createStandardContextMenu(event->pos()), event->globalPos());
}

void VEXO_TabbedHtml::OnAnchorClicked(const QUrl& url) {
  const QUrl target = source().resolved(url);
  const bool new_tab = (QApplication::keyboardModifiers() & Qt::ControlModifier) || !target.isLocalFile();
  if (new_tab) {
    if (mgr_) mgr_->OnNewWindow(this, target.toString().toStdString().c_str());
    return;
  }
  setSource(target);
  ReportNavigation();
}
