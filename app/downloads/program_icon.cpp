#include "app/downloads/program_icon.h"

#include <QPainter>

#include "app/catalogue/catalogue_records.h"
#include "core/text/ascii.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"

namespace {

bool IsPng(const std::string& name) {
  return name.size() >= 4 && ds::AsciiEqualsIgnoreCase(name.substr(name.size() - 4), ".png");
}

}  // namespace

void DrawProgramIcon(QPainter* painter, const SoftwareInfo& program, const QRect& rect) {
  VEXO_ResourceMgr* resources = VEXO_ResourceMgr::Instance();
  VEXO_Image* image = program.icon.empty() ? nullptr : resources->GetImage(program.icon.c_str());
  if (image != nullptr && !image->IsNull()) {
    if (IsPng(program.icon)) {
      painter->save();
      painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
      painter->drawImage(rect, image->GetQImage());
      painter->restore();
    } else {
      painter->drawImage(rect, image->KeyedCopy(VEXO_RGB(255, 0, 255)));
    }
    return;
  }
  if (VEXO_Icon* icon = resources->GetProgramIcon()) painter->drawPixmap(rect, icon->Pixmap(rect.width()));
}
