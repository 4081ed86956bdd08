#include "vexo/ui/widgets/html_ctrl.h"

#include <QFileInfo>
#include <QUrl>

#include "core/files/file_system.h"
#include "core/text/path.h"
#include "vexo/ui/render/skin_font.h"

VEXO_HtmlCtrl::VEXO_HtmlCtrl(QWidget* parent) : QTextBrowser(parent) {
  setOpenExternalLinks(true);
  setFrameShape(QFrame::NoFrame);
  VEXO_ApplySkinFont(this);
  connect(this, &QTextBrowser::backwardAvailable, this, [this](bool on) { can_back_ = on; });
  connect(this, &QTextBrowser::forwardAvailable, this, [this](bool on) { can_forward_ = on; });
  connect(this, &QTextBrowser::sourceChanged, this, [this] { progress_ = kProgressMax; });
}

int VEXO_HtmlCtrl::Create(const QRect& rect, QWidget* parent, unsigned id) {
  setParent(parent);
  setGeometry(rect);
  id_ = id;
  show();
  return 1;
}

int VEXO_HtmlCtrl::NavigateFile(const char* name) {
  progress_ = 0;
  const std::string path =
      ds::NativePath(std::string(ds::FileSystem::Instance()->GetWorkPath()) + (name ? name : ""));
  const QFileInfo info(QString::fromStdString(path));
  if (!name || !info.isFile() || !info.isReadable()) {
    clear();
    progress_ = kProgressMax;
    return 0;
  }
  setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
  progress_ = kProgressMax;
  return 1;
}

void VEXO_HtmlCtrl::GoBack() { backward(); }
void VEXO_HtmlCtrl::GoForward() { forward(); }

std::string VEXO_HtmlCtrl::GetLocationPath() const {
  return source().isLocalFile() ? source().toLocalFile().toStdString() : std::string();
}
