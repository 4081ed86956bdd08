#include "vexo/ui/widgets/icon_mgr.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStyle>
#include <memory>

#include "core/text/path.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/resources/resource_mgr.h"

VEXO_IconMgr::VEXO_IconMgr() = default;
VEXO_IconMgr::~VEXO_IconMgr() = default;

void VEXO_IconMgr::Clear() {
  index_.clear();
  small_.clear();
  large_.clear();
}

int VEXO_IconMgr::GetIconIndex(const char* path) {
  if (path == nullptr || *path == '\0' || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
    return -1;
  const QFileInfo info(QString::fromStdString(ds::NativePath(path)));
  const QString suffix = info.suffix().toLower();
  const bool own = !info.isDir() && (suffix == QLatin1String("exe") || suffix == QLatin1String("ico"));
  std::string key;
  if (own) key = info.absoluteFilePath().toStdString();
  else if (info.isDir()) key = "<folder>";
  else key = "." + suffix.toStdString();
  const auto found = index_.find(key);
  if (found != index_.end()) return found->second;

  QPixmap small;
  QPixmap large;
  if (own) {
    std::unique_ptr<VEXO_Icon> icon(VEXO_Icon::FromFile(info.absoluteFilePath().toStdString().c_str()));
    VEXO_Icon* use = icon.get();
    if (!use && suffix == QLatin1String("exe")) use = VEXO_ResourceMgr::Instance()->GetProgramIcon();
    if (use) {
      small = use->Pixmap(kSmall);
      large = use->Pixmap(kLarge);
    }
  }
  if (small.isNull()) {
    QIcon icon = QFileIconProvider().icon(info);
    if (icon.isNull()) {
      icon = QApplication::style()->standardIcon(info.isDir() ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    }
    if (icon.isNull()) {
      index_[key] = -1;
      return -1;
    }
    small = icon.pixmap(kSmall, kSmall);
    large = icon.pixmap(kLarge, kLarge);
  }
  const int index = GetCount();
  small_.push_back(small);
  large_.push_back(large);
  index_[key] = index;
  return index;
}
