#include "app/downloads/download_mgr_wnd.h"

#include <QEnterEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>

#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_messages.h"
#include "app/downloads/download_queue.h"
#include "app/downloads/program_icon.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/font.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/render/render_image9.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/widgets/skin_scroll_bar.h"

using download_view::kRowHeight;

namespace {

constexpr int kButtonWidth = 48;
constexpr int kButtonHeight = 20;
constexpr int kProgressWidth = 124;
constexpr int kProgressHeight = 14;

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

std::vector<CDownloadMgrWnd*>& LiveLists() {
  static std::vector<CDownloadMgrWnd*> lists;
  return lists;
}

void UseFont(QPainter& painter, const char* name) {
  if (VEXO_Font* font = VEXO_ResourceMgr::Instance()->GetFont(name)) painter.setFont(font->GetQFont());
}

// Where a row's parts go for its width: name, size, bar, percentage, state text, buttons.
struct RowLayout {
  QRect icon, name, size, bar, percent, state;
  int buttonsX;
  explicit RowLayout(int width) {
    buttonsX = width - 3 * (kButtonWidth + 4);
    icon = QRect(8, 7, 16, 16);
    name = QRect(30, 0, 140, kRowHeight);
    size = QRect(172, 0, 64, kRowHeight);
    bar = QRect(238, (kRowHeight - kProgressHeight) / 2, kProgressWidth, kProgressHeight);
    percent = QRect(bar.right() + 6, 0, 56, kRowHeight);
    state = QRect(percent.right() + 4, 0, std::max(0, buttonsX - percent.right() - 8), kRowHeight);
  }
};

DownloadQueue* Queue() { return GetDownloadQueue(); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// One row

SoftwareDownloadWnd::SoftwareDownloadWnd(CDownloadMgrWnd* list, QWidget* parent, unsigned id)
    : VEXO_Dialog(parent, kChild), list_(list) {
  setObjectName(QStringLiteral("SoftwareDownloadWnd"));
  setAttribute(Qt::WA_Hover, true);
  const char* images[3] = {"/img/download.png", "/img/pausedownload.png", "/img/canceldownload.png"};
  for (int i = 0; i < 3; ++i) {
    auto* button = new VEXO_Button(this);
    button->Create("", QRect(0, 0, kButtonWidth, kButtonHeight), this, kStartId + static_cast<unsigned>(i));
    button->SetImage(Image(images[i]));
    button->hide();
    buttons_[i] = button;
    AddWidget(kStartId + static_cast<unsigned>(i), button);
  }
  list->AddWidget(id, this);
  SetPosition(0);
}

VEXO_Button* SoftwareDownloadWnd::Button(unsigned id) const {
  return id >= kStartId && id <= kCancelId ? buttons_[id - kStartId] : nullptr;
}

void SoftwareDownloadWnd::SetPosition(int position) {
  position_ = position;
  char name[32];
  std::snprintf(name, sizeof name, "img/downloadbg%d.png", position);
  if (VEXO_Image* image = Image(name)) SetImage(image, 8, image->GetWidth() - 8, 1, image->GetHeight() - 1);
  update();
}

void SoftwareDownloadWnd::Bind(SoftwareState* program) {
  program_ = program;
  progress_.Reset();
  if (program == nullptr) {
    HideButtons();
    update();
    return;
  }
  TakeProgress();
  ApplyButtons(download_view::ButtonsForStatus(CurrentStatus(*program)));
  update();
}

void SoftwareDownloadWnd::ApplyButtons(const download_view::RowButtons& looks) {
  if (!looks.change) return;
  const download_view::ButtonLook parts[3] = {looks.start, looks.pause, looks.cancel};
  for (int i = 0; i < 3; ++i) {
    buttons_[i]->setVisible(parts[i].shown);
    buttons_[i]->setEnabled(parts[i].enabled);
  }
}

void SoftwareDownloadWnd::HideButtons() {
  for (VEXO_Button* button : buttons_) {
    button->hide();
    button->setEnabled(false);
  }
}

void SoftwareDownloadWnd::TakeProgress() {
  if (program_ != nullptr) progress_.Take(program_->downloadedBytes, program_->totalBytes);
}

void SoftwareDownloadWnd::Tick() {
  if (program_ == nullptr) return;
  for (int status : {program_->status, program_->updateStatus})
    if (status == StatusDownloading || status == StatusPausing || status == StatusPaused) {
      update();
      return;
    }
}

void SoftwareDownloadWnd::StartDownload() {
  if (program_ == nullptr || Queue() == nullptr) return;
  Queue()->ResumeDownload(program_);
  buttons_[0]->setEnabled(false);
  buttons_[1]->setEnabled(true);
  buttons_[2]->setEnabled(true);
  update();
}

void SoftwareDownloadWnd::PauseDownload() {
  if (program_ == nullptr || Queue() == nullptr) return;
  const DownloadQueue::PauseOutcome outcome = Queue()->PauseDownload(program_);
  if (outcome == DownloadQueue::PauseOutcome::NotPaused) return;
  buttons_[0]->setEnabled(true);
  buttons_[1]->setEnabled(false);
  if (outcome == DownloadQueue::PauseOutcome::PausedRunning)
    list_->PostMessage(kMsgDownloadPaused, ProgramIdParam(program_->id), 0);
  update();
}

void SoftwareDownloadWnd::CancelDownload() {
  if (program_ == nullptr || Queue() == nullptr) return;
  Queue()->CancelDownload(program_);
  HideButtons();
  list_->PostMessage(kMsgDownloadCancelled, ProgramIdParam(program_->id), 0);
  update();
}

std::string SoftwareDownloadWnd::ProgressText() const {
  return program_ != nullptr ? download_view::ProgressText(progress_.Fraction()) : std::string();
}

std::string SoftwareDownloadWnd::SpeedText() const {
  return program_ != nullptr ? download_view::SpeedText(*program_) : std::string();
}

std::string SoftwareDownloadWnd::StateText() const {
  if (program_ == nullptr) return {};
  const int status = CurrentStatus(*program_);
  const std::string reason = download_view::ReasonText(program_->downloadNote);
  if (status == StatusDownloading) {
    std::string text = SpeedText();
    if (program_->speed > 0 && !program_->totalUnknown) {
      const std::string left =
          download_view::TimeLeftText(program_->totalBytes - program_->downloadedBytes, program_->speed);
      if (!left.empty()) text += (text.empty() ? "" : " ") + left;
    }
    // A restart from byte 0 is worth telling while the download runs again.
    if (text.empty() && !reason.empty()) text = reason;
    return text;
  }
  if (!reason.empty() && (status == StatusPausing || status == StatusPaused || status == StatusNotInstalled))
    return reason;
  return StatusText(status, false);
}

void SoftwareDownloadWnd::paintEvent(QPaintEvent* event) {
  VEXO_Dialog::paintEvent(event);
  if (program_ == nullptr) return;
  TakeProgress();
  QPainter painter(this);
  const RowLayout layout(width());
  DrawProgramIcon(&painter, *program_, layout.icon);
  UseFont(painter, "vfontUser12");
  painter.setPen(QColor(0, 0, 0));
  const unsigned line = vexo_dt::DT_VCENTER | vexo_dt::DT_SINGLELINE | vexo_dt::DT_NOPREFIX;
  VEXO_DrawText(&painter, QString::fromStdString(program_->name), layout.name, line | vexo_dt::DT_END_ELLIPSIS);
  VEXO_DrawText(&painter, QString::fromStdString(download_view::SizeText(program_->size)), layout.size, line);
  if (VEXO_Image* frame = Image("img/downloadingframe.png")) frame->Draw(&painter, layout.bar);
  if (VEXO_Image* fill = Image("img/downloading.png")) {
    const QRect inner = layout.bar.adjusted(2, 2, -2, -2);
    const int filled = static_cast<int>(inner.width() * progress_.Fraction());
    if (filled > 0)
      fill->Draw(&painter, QRect(inner.x(), inner.y(), filled, inner.height()),
                 QRect(0, 0, std::max(1, fill->GetWidth() * filled / std::max(1, inner.width())), fill->GetHeight()));
  }
  VEXO_DrawText(&painter, QString::fromStdString(ProgressText()), layout.percent, line);
  const bool warn = CurrentStatus(*program_) != StatusDownloading && !program_->downloadNote.empty();
  painter.setPen(warn ? QColor(200, 0, 0) : QColor(0, 0, 0));
  VEXO_DrawText(&painter, QString::fromStdString(StateText()), layout.state, line | vexo_dt::DT_END_ELLIPSIS);
}

void SoftwareDownloadWnd::PlaceButtons() {
  const RowLayout layout(width());
  for (int i = 0; i < 3; ++i)
    buttons_[i]->setGeometry(layout.buttonsX + i * (kButtonWidth + 4), (kRowHeight - kButtonHeight) / 2,
                             kButtonWidth, kButtonHeight);
}

void SoftwareDownloadWnd::resizeEvent(QResizeEvent* event) {
  VEXO_Dialog::resizeEvent(event);
  PlaceButtons();
}

void SoftwareDownloadWnd::enterEvent(QEnterEvent* event) {
  VEXO_Dialog::enterEvent(event);
  list_->PostMessage(kMsgRowMouseEnter, 0, 0);
}

void SoftwareDownloadWnd::leaveEvent(QEvent* event) {
  VEXO_Dialog::leaveEvent(event);
  list_->PostMessage(kMsgRowMouseLeave, 0, 0);
}

ds::LResult SoftwareDownloadWnd::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  if (message != vexo_msg::WM_COMMAND || vexo_msg::HighWord(wparam) != vexo_msg::BN_CLICKED)
    return VEXO_Dialog::WindowProc(message, wparam, lparam);
  switch (vexo_msg::LowWord(wparam)) {
    case kStartId: StartDownload(); break;
    case kPauseId: PauseDownload(); break;
    case kCancelId: CancelDownload(); break;
    default: break;
  }
  return 1;
}

// ---------------------------------------------------------------------------------------------
// The list

CDownloadMgrWnd::CDownloadMgrWnd(QWidget* parent) : VEXO_Dialog(parent, kChild) {
  setObjectName(QStringLiteral("CDownloadMgrWnd"));
  if (VEXO_Image* body = Image("mainframebody.gif")) SetImage(body, 6, 34, 6, 34);
  area_ = new QWidget(this);
  area_->setObjectName(QStringLiteral("DownloadRows"));
  scroll_bar_ = new CSkinScrollBar(Qt::Vertical, this);
  scroll_bar_->Create(Qt::Vertical, QRect(0, 0, 16, 16), this, kScrollBarId);
  scroll_bar_->SetBitmap(Image("img/Scrollbar.png"));
  LiveLists().push_back(this);
}

CDownloadMgrWnd::~CDownloadMgrWnd() {
  DetachMessages();
  auto& lists = LiveLists();
  lists.erase(std::remove(lists.begin(), lists.end(), this), lists.end());
}

const std::vector<CDownloadMgrWnd*>& CDownloadMgrWnd::Instances() { return LiveLists(); }

int CDownloadMgrWnd::Create(const QRect& rect, QWidget* parent, unsigned id) {
  if (parent != nullptr && parentWidget() != parent) setParent(parent);
  setGeometry(rect);
  if (auto* window = dynamic_cast<VEXO_Dialog*>(parent)) window->AddWidget(id, this);
  BuildRows();
  SetTimer(kTimerRows, 1000);
  return 1;
}

QRect CDownloadMgrWnd::RowArea() const {
  const int bar = scroll_bar_->GetThickness();
  return QRect(kLeftStripWidth, kTopLineHeight, std::max(0, width() - kLeftStripWidth - bar - 4),
               std::max(0, height() - kTopLineHeight - 4));
}

SoftwareDownloadWnd* CDownloadMgrWnd::Row(int index) const {
  return index >= 0 && index < RowCount() ? rows_[static_cast<std::size_t>(index)] : nullptr;
}

SoftwareDownloadWnd* CDownloadMgrWnd::RowOf(int id) const {
  for (SoftwareDownloadWnd* row : rows_)
    if (row->program() != nullptr && row->program()->id == id) return row;
  return nullptr;
}

void CDownloadMgrWnd::DestroyRows() {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    RemoveWidget(kFirstRowId + static_cast<unsigned>(i));
    delete rows_[i];
  }
  rows_.clear();
}

void CDownloadMgrWnd::BuildRows() {
  DestroyRows();
  const std::vector<SoftwareState*> empty;
  const std::vector<SoftwareState*>& queue = Queue() != nullptr ? Queue()->DownloadList() : empty;
  const int count = download_view::RowsNeeded(RowArea().height(), queue.size());
  for (int i = 0; i < count; ++i) {
    auto* row = new SoftwareDownloadWnd(this, area_, kFirstRowId + static_cast<unsigned>(i));
    rows_.push_back(row);
    row->Bind(static_cast<std::size_t>(i) < queue.size() ? queue[static_cast<std::size_t>(i)] : nullptr);
    row->show();
  }
  RenumberPositions();
  PlaceRows();
  UpdateScrollRange();
}

void CDownloadMgrWnd::RefreshRows() {
  DownloadQueue* queue = Queue();
  SoftwareMgr* manager = GetSoftwareMgr();
  const int visible = download_view::RowsNeeded(RowArea().height(), 0);
  for (std::size_t i = 0; i < rows_.size();) {
    if (queue != nullptr && i < queue->DownloadList().size()) {
      SoftwareState* program = queue->DownloadList()[i];
      if (manager != nullptr) manager->DetectSoftware(program->id);
      rows_[i]->Bind(program);
    } else if (static_cast<int>(i) < visible) {
      rows_[i]->Bind(nullptr);
    } else {
      RemoveWidget(kFirstRowId + static_cast<unsigned>(i));
      delete rows_[i];
      rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    ++i;
  }
  RenumberPositions();
  UpdateScrollRange();
  OnTick();
}

void CDownloadMgrWnd::AddRow() {
  DownloadQueue* queue = Queue();
  if (queue != nullptr && rows_.size() < queue->DownloadList().size()) {
    const std::size_t index = rows_.size();
    auto* row = new SoftwareDownloadWnd(this, area_, kFirstRowId + static_cast<unsigned>(index));
    rows_.push_back(row);
    row->setGeometry(0, kRowHeight * static_cast<int>(index) - scroll_, area_->width(), kRowHeight);
    row->show();
    RenumberPositions();
  }
  RefreshRows();
}

void CDownloadMgrWnd::RenumberPositions() {
  const int count = RowCount();
  for (int i = 0; i < count; ++i) rows_[static_cast<std::size_t>(i)]->SetPosition(download_view::RowPosition(i, count));
}

void CDownloadMgrWnd::PlaceRows() {
  const QRect area = RowArea();
  area_->setGeometry(area);
  for (std::size_t i = 0; i < rows_.size(); ++i)
    rows_[i]->setGeometry(0, kRowHeight * static_cast<int>(i) - scroll_, area.width(), kRowHeight);
}

void CDownloadMgrWnd::UpdateScrollRange() {
  const QRect area = RowArea();
  const int content = kRowHeight * RowCount();
  scroll_bar_->setGeometry(width() - scroll_bar_->GetThickness() - 2, kTopLineHeight,
                           scroll_bar_->GetThickness(), area.height());
  scroll_bar_->SetScrollInfo(0, std::max(0, content - 1), std::max(1, area.height()), scroll_);
  ScrollTo(scroll_);
}

void CDownloadMgrWnd::ScrollTo(int pos) {
  const int highest = std::max(0, kRowHeight * RowCount() - RowArea().height());
  pos = std::clamp(pos, 0, highest);
  if (pos != scroll_) {
    scroll_ = pos;
    PlaceRows();
  }
  scroll_bar_->SetScrollPos(scroll_);
}

bool CDownloadMgrWnd::InStepWithQueue() const {
  const std::vector<SoftwareState*> empty;
  const std::vector<SoftwareState*>& queue = Queue() != nullptr ? Queue()->DownloadList() : empty;
  if (queue.size() > rows_.size()) return false;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    SoftwareState* expected = i < queue.size() ? queue[i] : nullptr;
    if (rows_[i]->program() != expected) return false;
  }
  return true;
}

void CDownloadMgrWnd::OnTick() {
  // The queue changes through the pages and the main window as well: rows follow it here.
  if (!InStepWithQueue()) {
    if (Queue() != nullptr && Queue()->DownloadList().size() > rows_.size()) {
      AddRow();
      return;
    }
    RefreshRows();
    return;
  }
  const std::vector<SoftwareState*> empty;
  top_line_ = download_view::TotalLine(Queue() != nullptr ? Queue()->DownloadList() : empty);
  for (SoftwareDownloadWnd* row : rows_) {
    if (row->program() != nullptr)
      row->ApplyButtons(download_view::ButtonsForStatus(CurrentStatus(*row->program())));
    row->Tick();
  }
  update(0, 0, width(), kTopLineHeight);
}

void CDownloadMgrWnd::OnTimer(unsigned id) {
  if (id == kTimerRows) {
    if (isVisible()) OnTick();
    return;
  }
  VEXO_Dialog::OnTimer(id);
}

void CDownloadMgrWnd::StartAll() {
  for (SoftwareDownloadWnd* row : rows_)
    if (row->program() != nullptr && CurrentStatus(*row->program()) != StatusDownloading) row->StartDownload();
}

void CDownloadMgrWnd::PauseAll() {
  for (SoftwareDownloadWnd* row : rows_)
    if (row->program() != nullptr) row->PauseDownload();
}

void CDownloadMgrWnd::CancelAll() {
  for (SoftwareDownloadWnd* row : rows_)
    if (row->program() != nullptr) row->CancelDownload();
}

bool CDownloadMgrWnd::PauseProgram(int id) {
  if (SoftwareDownloadWnd* row = RowOf(id)) {
    const int before = CurrentStatus(*row->program());
    row->PauseDownload();
    return CurrentStatus(*row->program()) != before;
  }
  DownloadQueue* queue = Queue();
  SoftwareState* program = queue != nullptr ? queue->FindTaskProgram(id) : nullptr;
  if (program == nullptr || queue->PauseDownload(program) == DownloadQueue::PauseOutcome::NotPaused) return false;
  queue->StartWaitingDownloads();
  return true;
}

void CDownloadMgrWnd::paintEvent(QPaintEvent* event) {
  VEXO_Dialog::paintEvent(event);
  QPainter painter(this);
  if (VEXO_Image* strip = Image("mainframe_left.gif")) {
    VEXO_RenderImage9 renderer;
    renderer.Init(strip, 6, 22, 100, 114);
    renderer.Draw(&painter, QRect(0, 0, kLeftStripWidth, height()));
  }
  UseFont(painter, "vfontUser12");
  painter.setPen(QColor(0, 0, 0));
  VEXO_DrawText(&painter, QString::fromStdString(top_line_),
                QRect(kLeftStripWidth + 6, 0, width() - kLeftStripWidth - 12, kTopLineHeight),
                vexo_dt::DT_VCENTER | vexo_dt::DT_SINGLELINE | vexo_dt::DT_NOPREFIX | vexo_dt::DT_END_ELLIPSIS);
}

void CDownloadMgrWnd::resizeEvent(QResizeEvent* event) {
  VEXO_Dialog::resizeEvent(event);
  if (event->size().height() != event->oldSize().height() && event->oldSize().isValid()) {
    BuildRows();
    return;
  }
  PlaceRows();
  UpdateScrollRange();
}

void CDownloadMgrWnd::showEvent(QShowEvent* event) {
  VEXO_Dialog::showEvent(event);
  OnTick();
}

void CDownloadMgrWnd::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  if (notches != 0) ScrollTo(scroll_ - notches * kRowHeight);
  event->accept();
}

ds::LResult CDownloadMgrWnd::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  const int id = ProgramIdOf(wparam);
  SoftwareMgr* manager = GetSoftwareMgr();
  DownloadQueue* queue = Queue();
  switch (message) {
    case kMsgDownloadCancelled:
      if (queue != nullptr) queue->RemoveDownload(id);
      if (manager != nullptr) manager->DetectSoftware(id);
      RefreshRows();
      return 1;
    case kMsgDownloadPaused:
      if (queue != nullptr) queue->StartWaitingDownloads();
      if (manager != nullptr) manager->DetectSoftware(id);
      for (SoftwareDownloadWnd* row : rows_) row->update();
      return 1;
    case kMsgDownloadFinished:
      if (queue != nullptr) queue->FinishDownload(id);
      RefreshRows();
      return 1;
    case kMsgRunInstaller:
      if (VEXO_MessageWindow* parent = VEXO_FindParentWindow(this)) parent->PostMessage(message, wparam, lparam);
      return 1;
    case kMsgHideRowButtons:
      if (SoftwareDownloadWnd* row = RowOf(id)) row->HideButtons();
      return 1;
    case kMsgRowMouseEnter:
      mouse_inside_ = true;
      return 1;
    case kMsgRowMouseLeave:
      mouse_inside_ = false;
      return 1;
    case vexo_msg::WM_VSCROLL: {
      const int code = static_cast<int>(vexo_msg::LowWord(wparam));
      const int page = std::max(kRowHeight, RowArea().height());
      switch (code) {
        case vexo_msg::SB_LINEUP: ScrollTo(scroll_ - kRowHeight); break;
        case vexo_msg::SB_LINEDOWN: ScrollTo(scroll_ + kRowHeight); break;
        case vexo_msg::SB_PAGEUP: ScrollTo(scroll_ - page); break;
        case vexo_msg::SB_PAGEDOWN: ScrollTo(scroll_ + page); break;
        case vexo_msg::SB_THUMBTRACK:
        case vexo_msg::SB_THUMBPOSITION: ScrollTo(static_cast<int>(vexo_msg::HighWord(wparam))); break;
        case vexo_msg::SB_TOP: ScrollTo(0); break;
        case vexo_msg::SB_BOTTOM: ScrollTo(kRowHeight * RowCount()); break;
        default: break;
      }
      return 1;
    }
    default:
      return VEXO_Dialog::WindowProc(message, wparam, lparam);
  }
}
