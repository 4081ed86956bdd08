#include "app/home/dialog_home_page.h"

#include <QMouseEvent>
#include <QPainter>

#include <cstdio>

#include "app/assoc/mgr_config.h"
#include "app/catalogue/dict_mgr.h"
#include "app/catalogue/software_mgr.h"
#include "app/downloads/download_messages.h"
#include "app/home/dlg_sys_msg.h"
#include "app/home/kiv_net_msg.h"
#include "app/home/program_open.h"
#include "app/home/runnable_list.h"
#include "app/home/site_address.h"
#include "app/shell/shell_rules.h"
#include "core/log/logger.h"
#include "core/platform/process.h"
#include "core/text/path.h"
#include "vexo/ui/dialog/window_messages.h"
#include "vexo/ui/render/draw_text.h"
#include "vexo/ui/render/image.h"
#include "vexo/ui/resources/resource_mgr.h"
#include "vexo/ui/widgets/button.h"
#include "vexo/ui/widgets/checkbox.h"
#include "vexo/ui/widgets/combo_box.h"
#include "vexo/ui/widgets/control_notify.h"
#include "vexo/ui/widgets/edit_pass.h"
#include "vexo/ui/widgets/label.h"
#include "vexo/ui/widgets/list_ctrl.h"

namespace {

constexpr int kPageWidth = 801;
constexpr int kPageHeight = 444;
constexpr int kRecentSlots = 10;
constexpr int kProgramColumns = 5;
constexpr int kSiteColumns = 4;
constexpr unsigned kLabelStyle = VEXO_Label::SS_LEFT | VEXO_Label::SS_CENTERIMAGE | VEXO_Label::SS_NOPREFIX;

VEXO_Image* Image(const char* name) { return VEXO_ResourceMgr::Instance()->GetImage(name); }

QImage ImageOf(const std::string& name) {
  VEXO_Image* image = name.empty() ? nullptr : Image(name.c_str());
  return image ? image->GetQImage() : QImage();
}

struct ConnectJob {
  std::shared_ptr<CKivNetMsg> net;
  std::string host;
  unsigned port;
  ds::MsgHandle page;
  std::atomic<bool>* busy;
};

}  // namespace

// ---------------------------------------------------------------------------------------------

CHomeCell::CHomeCell(QWidget* parent) : QWidget(parent) { setCursor(Qt::PointingHandCursor); }

void CHomeCell::SetContent(const std::string& text, const QImage& image) {
  if (text == text_ && image.cacheKey() == image_.cacheKey()) return;
  text_ = text;
  image_ = image;
  setToolTip(QString::fromStdString(text));
  update();
}

void CHomeCell::paintEvent(QPaintEvent*) {
  if (text_.empty() && image_.isNull()) return;
  QPainter painter(this);
  QRect text_rect = rect();
  if (!image_.isNull()) {
    const int side = std::min(height(), image_.height());
    QRect target(0, (height() - side) / 2, side * image_.width() / std::max(1, image_.height()), side);
    if (text_.empty()) target.moveLeft((width() - target.width()) / 2);
    painter.drawImage(target, image_);
    text_rect.setLeft(target.right() + 4);
  }
  if (!text_.empty())
    VEXO_DrawText(&painter, QString::fromStdString(text_), text_rect,
                  vexo_dt::DT_LEFT | vexo_dt::DT_VCENTER | vexo_dt::DT_SINGLELINE | vexo_dt::DT_END_ELLIPSIS);
}

void CHomeCell::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton && onClick) onClick();
}

void CHomeCell::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton && onDoubleClick) onDoubleClick();
}

// ---------------------------------------------------------------------------------------------

CDialogHomePage::CDialogHomePage(QWidget* parent, SoftwareMgr& software)
    : VEXO_Dialog(parent, kChild), software_(software), session_(software) {
  resize(kPageWidth, kPageHeight);
  popup_ = std::make_unique<CDlgSysMsg>();
  question_ = std::make_unique<CDlgSysMsg>();
}

CDialogHomePage::~CDialogHomePage() {
  DetachMessages();
  EndLoginThread();
  if (net_) {
    for (std::uint32_t id : {ds::kMsgLoginAccepted, ds::kMsgLoginRefused, ds::kMsgCommonSoft, ds::kMsgCommonSites,
                             ds::kMsgUploadResult})
      net_->Unregister(id);
    net_->SetClosedCallback(nullptr);
  }
}

int CDialogHomePage::OnInitDialog() {
  CreateControls();
  return 1;
}

void CDialogHomePage::Attach(std::shared_ptr<CKivNetMsg> net, ds::MsgHandle main_window, const std::string& work_dir) {
  Create();
  net_ = std::move(net);
  main_window_ = main_window;
  for (std::uint32_t id :
       {ds::kMsgLoginAccepted, ds::kMsgLoginRefused, ds::kMsgCommonSoft, ds::kMsgCommonSites, ds::kMsgUploadResult})
    net_->Register(id, [this](const char* message, int length, ds::NET_TcpInfo*) { OnNetMessage(message, length); });
  net_->SetClosedCallback([this](ds::NET_TcpInfo* info) { OnConnectionClosed(info); });
  // A connection ended: the message 0 handler of the link tells the page first.
  history_ = AccountHistory(work_dir);
  history_.Load();
  FillHistoryBox();
  session_.ResetLists();
  PaintPrograms();
  PaintSites();
  RefreshRows();
  runnable_ = runnable::Programs(software_);
  ResetRunnablePages();
  ShowLoginState();
}

void CDialogHomePage::CreateControls() {
  // Login panel, top left.
  auto label = [this](const char* text, const QRect& rect) {
    auto* l = new VEXO_Label(this);
    l->Create(text, kLabelStyle, rect, this, 0);
    return l;
  };
  login_controls_.push_back(label("帐号：", QRect(16, 30, 44, 22)));
  account_ = new VEXO_Edit(this);
  account_->Create(QRect(60, 30, 150, 22), this, kIdAccount);
  account_->Init(Image("img/LoginEdit.png"));
  history_box_ = new VEXO_ComboBox(this);
  history_box_->Create(0, QRect(210, 30, 22, 22), this, kIdHistory);
  history_box_->Init(Image("img/combo.png"), nullptr);
  history_box_->SetButtonImage(Image("img/combobutton.png"), 0, 0xFFFFFFFFu);
  login_controls_.push_back(label("密码：", QRect(16, 60, 44, 22)));
  password_ = new VEXO_EditPass(this);
  password_->Create(QRect(60, 60, 172, 22), this, kIdPassword);
  password_->Init(Image("img/LoginEdit.png"));
  remember_ = new VEXO_Checkbox(this);
  remember_->Create("记住密码", QRect(60, 90, 90, 18), this, kIdRemember);
  remember_->Init(Image("img/checkbox.png"), VEXO_Checkbox::kLeftCentre, 0xFFFFFFFFu);
  login_ = new VEXO_Button(this);
  login_->Create("", QRect(60, 116, 72, 26), this, kIdLogin);
  login_->SetImage(Image("img/BtLogin.png"));
  auto* register_button = new VEXO_Button(this);
  register_button->Create("", QRect(140, 112, 64, 20), this, kIdRegister);
  register_button->SetImage(Image("img/BtRegister.png"));
  auto* forget = new VEXO_Button(this);
  forget->Create("", QRect(140, 132, 64, 20), this, kIdForget);
  forget->SetImage(Image("img/BtForget.png"));
  for (QWidget* w : std::initializer_list<QWidget*>{account_, history_box_, password_, remember_, login_,
                                                    register_button, forget})
    login_controls_.push_back(w);
  login_advert_ = new CHomeCell(this);
  login_advert_->setGeometry(24, 150, 200, 52);
  login_advert_->SetContent("", ImageOf("img/advert1.png"));
  login_advert_->onClick = [this] {
    // The second advertisement, shown in the login panel while logged out.
    ds::VecDict<AdvertInfo>& adverts = CDictMgr::Instance()->Adverts();
    if (adverts.Count() >= 2) OpenSite(adverts.At(1)->value);
  };
  login_controls_.push_back(login_advert_);
  user_label_ = new VEXO_Label(this);
  user_label_->Create("", VEXO_Label::SS_LEFT | VEXO_Label::SS_NOPREFIX, QRect(16, 30, 216, 120), this, 0);
  AddWidget(kIdAccount, account_);
  AddWidget(kIdHistory, history_box_);
  AddWidget(kIdPassword, password_);
  AddWidget(kIdRemember, remember_);
  AddWidget(kIdLogin, login_);
  AddWidget(kIdRegister, register_button);
  AddWidget(kIdForget, forget);

  // The first advertisement, top right.
  advert_ = new CHomeCell(this);
  advert_->setGeometry(256, 4, 536, 110);
  advert_->SetContent("", ImageOf("img/advert0.png"));
  advert_->onClick = [this] {
    if (const AdvertInfo* advert = CDictMgr::Instance()->Adverts().At(0)) OpenSite(advert->value);
  };

  // Recent programs.
  label("最近使用：", QRect(256, 118, 72, 32));
  for (int i = 0; i < kRecentSlots; ++i) {
    auto* cell = new CHomeCell(this);
    cell->setGeometry(330 + i * 46, 118, 40, 32);
    recent_cells_.push_back(cell);
  }

  // Common programs, 15 to a page.
  label("常用软件", QRect(256, 154, 100, 20));
  for (int i = 0; i < CommonPrograms::kPerPage; ++i) {
    auto* cell = new CHomeCell(this);
    cell->setGeometry(256 + (i % kProgramColumns) * 107, 176 + (i / kProgramColumns) * 30, 104, 28);
    program_cells_.push_back(cell);
  }
  auto pager_button = [this](unsigned id, const char* image, const QRect& rect) {
    auto* b = new VEXO_Button(this);
    b->Create("", rect, this, id);
    b->SetImage(Image(image));
    AddWidget(id, b);
    return b;
  };
  pager_button(kIdProgramsPrev, "img/Frontpage.png", QRect(680, 154, 48, 20));
  pager_button(kIdProgramsNext, "img/Nextpage.png", QRect(732, 154, 48, 20));

  // Common sites, 12 to a page.
  label("常用网站", QRect(256, 272, 100, 20));
  for (int i = 0; i < CommonSites::kPerPage; ++i) {
    auto* cell = new CHomeCell(this);
    cell->setGeometry(256 + (i % kSiteColumns) * 134, 294 + (i / kSiteColumns) * 24, 130, 22);
    site_cells_.push_back(cell);
  }
  pager_button(kIdSitesPrev, "img/Frontpage.png", QRect(680, 272, 48, 20));
  pager_button(kIdSitesNext, "img/Nextpage.png", QRect(732, 272, 48, 20));

  // Runnable programs with their search, bottom left.
  counter_ = label("", QRect(8, 208, 244, 20));
  search_ = new VEXO_Edit(this);
  search_->Create(QRect(8, 230, 184, 22), this, kIdSearchEdit);
  search_->Init(Image("img/SearchEdit.png"));
  search_->SetTextColor(shell::kSearchHintColour, shell::kSearchHintColour);
  search_->SetWindowText(shell::kSearchHint);
  AddWidget(kIdSearchEdit, search_);
  auto* search_button = new VEXO_Button(this);
  search_button->Create("", QRect(196, 230, 56, 22), this, kIdSearchButton);
  search_button->SetImage(Image("img/BtSearch.png"));
  AddWidget(kIdSearchButton, search_button);
  runnable_list_ = new VEXO_ListCtrl(this);
  runnable_list_->Create(QRect(8, 256, 244, 140), this, kIdRunnable);
  runnable_list_->Init();
  runnable_list_->SetHeadImg(Image("img/ListHead.png"), Image("img/ListHeadDiv.png"));
  runnable_list_->InsertColumn(0, "软件名称", 0, 240);
  runnable_list_->SetRowHeight(20);
  AddWidget(kIdRunnable, runnable_list_);
  no_result_ = label("没有找到符合条件的软件", QRect(8, 300, 244, 22));
  no_result_->hide();
  for (int i = 0; i < shell::Pager::kCells; ++i) {
    auto* cell = new CHomeCell(this);
    cell->setGeometry(60 + i * 22, 400, 20, 18);
    cell->onClick = [this, i] {
      runnable_pager_.ChooseCell(i);
      ShowRunnablePage();
    };
    number_cells_.push_back(cell);
    runnable_pager_controls_.push_back(cell);
  }
  runnable_pager_controls_.push_back(pager_button(kIdRunnablePrev, "img/Frontpage.png", QRect(8, 420, 48, 20)));
  runnable_pager_controls_.push_back(pager_button(kIdRunnableNext, "img/Nextpage.png", QRect(204, 420, 48, 20)));
}

// ---------------------------------------------------------------------------------------------
// Login and the server exchanges

void CDialogHomePage::Login() {
  const std::string account = account_->GetWindowText();
  const std::string password = password_->GetRealText();
  const login::InputVerdict verdict = login::CheckInput(account, password);
  if (verdict != login::InputVerdict::kOk) {
    ShowPopup(login::InputText(verdict));
    if (verdict != login::InputVerdict::kEmpty) password_->SetWindowText("");
    account_->setFocus();
    return;
  }
  if (connect_busy_ || !net_) return;
  session_.BeginLogin(account, password);
  remember_choice_ = remember_->GetCheck() != 0;
  EnableLogin(false);
  StartConnect();
}

std::uint32_t CDialogHomePage::ConnectThread(void* parameter) {
  std::unique_ptr<ConnectJob> job(static_cast<ConnectJob*>(parameter));
  ds::NET_TcpInfo* info = job->net->Connect(job->host, job->port);
  if (!info) ds::LogWarn("ConnectKivServer")("连接登陆服务器失败");
  ds::PostMessageTo(job->page, info ? kMsgConnected : kMsgConnectFailed, 0, 0);
  job->busy->store(false);
  return 0;
}

void CDialogHomePage::StartConnect() {
  if (connect_busy_ || !net_) return;
  if (connect_thread_) {
    ds::WaitThreadEnd(connect_thread_);
    ds::CloseThreadHandle(connect_thread_);
    connect_thread_ = nullptr;
  }
  CMgrConfig* config = GetMgrConfig();
  auto* job = new ConnectJob{net_, config ? config->GetServer() : std::string(kDefaultLoginServer),
                             config ? config->GetPort() : kDefaultLoginPort, GetHandle(), &connect_busy_};
  connect_busy_ = true;
  connect_thread_ = ds::CreateSimpleThread(&CDialogHomePage::ConnectThread, job);
  if (!connect_thread_) {
    delete job;
    connect_busy_ = false;
    PostMessage(kMsgConnectFailed);
  }
}

void CDialogHomePage::EndLoginThread() {
  if (!connect_thread_) return;
  if (net_) net_->CancelConnect();
  // The thread sees the request within a tenth of a second; only a name look-up that hangs
  // keeps it longer, and then it is left to end by itself (it holds its own references).
  if (ds::WaitThreadEnd(connect_thread_, 3000) != 0)
    ds::LogWarn("CDialogHomePage::EndLoginThread")("the connect thread is still resolving; left to end.");
  ds::CloseThreadHandle(connect_thread_);
  connect_thread_ = nullptr;
}

void CDialogHomePage::Apply(const HomeSession::Outcome& outcome) {
  for (const std::string& message : outcome.send)
    if (!net_->Send(message)) ds::LogWarn("CDialogHomePage::Apply")("can't send a message to the server.");
  if (outcome.close) {
    net_->CloseCurrent();
    exchange_ = nullptr;
    StartPendingUpload();
  }
  if (outcome.loggedIn) {
    const login::LoginState& state = session_.State();
    history_.Remember(state.account, state.password, remember_choice_);
    history_.Save();
    FillHistoryBox();
    ShowLoginState();
    wait_ticks_ = 0;
    if (main_window_) ds::PostMessageTo(main_window_, kMsgLoggedIn, 0, 0);
  }
  if (outcome.refused) {
    password_->SetWindowText("");
    EnableLogin(true);
  }
  if (outcome.listsChanged) {
    PaintPrograms();
    PaintSites();
  }
  if (outcome.popup != HomeSession::Popup::kNone) ShowPopup(outcome.text);
}

void CDialogHomePage::OnNetMessage(const char* message, int length) {
  wait_ticks_ = 0;
  std::uint32_t id = 0;
  ds::FrameHeader header;
  if (ds::PeekFrame(std::string_view(message, static_cast<std::size_t>(length)), &header) ==
      ds::FrameStatus::kComplete)
    id = header.id;
  Apply(session_.OnMessage(id, std::string_view(message, static_cast<std::size_t>(length))));
}

void CDialogHomePage::OnConnectionClosed(void* info) {
  if (info != exchange_) return;
  exchange_ = nullptr;
  // The server ended the exchange before its answer.
  if (session_.CurrentMode() != HomeSession::Mode::kIdle) Apply(session_.OnConnectFailed());
}

void CDialogHomePage::OnIdleTick() {
  // A login's connection stays open a while for the account's lists, which follow the
  // acceptance; an account with nothing stored sends none.
  if (!exchange_ || !session_.State().loggedIn || session_.CurrentMode() != HomeSession::Mode::kLogin) return;
  if (++wait_ticks_ < kListWaitTicks) return;
  session_.EndListWait();
  net_->CloseCurrent();
  exchange_ = nullptr;
  StartPendingUpload();
}

void CDialogHomePage::StartPendingUpload() {
  // One exchange at a time: a list changed while another exchange runs goes when it has ended.
  if (session_.State().loggedIn && session_.UploadPending() && session_.CurrentMode() == HomeSession::Mode::kIdle &&
      !exchange_)
    StartConnect();
}

void CDialogHomePage::Logout() {
  session_.Logout();
  if (!password_) return;  // never shown: no controls to reset
  password_->SetWindowText("");
  remember_->SetCheck(0);
  EnableLogin(true);
  ShowLoginState();
  PaintPrograms();
  PaintSites();
}

void CDialogHomePage::SetCommonPrograms(std::vector<SoftwareState*> programs) {
  session_.Programs().SetList(std::move(programs));
  PaintPrograms();
  if (session_.MarkProgramsChanged()) StartPendingUpload();
}

bool CDialogHomePage::SetCommonSites(const std::vector<ds::Site>& user_sites) {
  if (!session_.Sites().SetUserSites(user_sites)) return false;
  PaintSites();
  if (session_.MarkSitesChanged()) StartPendingUpload();
  return true;
}

void CDialogHomePage::EnableLogin(bool enable) {
  for (QWidget* widget : {static_cast<QWidget*>(account_), static_cast<QWidget*>(password_),
                          static_cast<QWidget*>(remember_), static_cast<QWidget*>(login_)})
    widget->setEnabled(enable);
}

void CDialogHomePage::ShowLoginState() {
  const login::LoginState& state = session_.State();
  for (QWidget* widget : login_controls_) widget->setVisible(!state.loggedIn);
  user_label_->setVisible(state.loggedIn);
  if (state.loggedIn) {
    const std::string text = "欢迎您，" + (state.nickname.empty() ? state.account : state.nickname) + "\n帐号：" +
                             state.account + "\n性别：" + login::SexText(state.sex) + "\n" +
                             login::MemberText(state.member);
    user_label_->SetWindowText(text.c_str());
  }
}

void CDialogHomePage::FillHistoryBox() {
  history_box_->ResetContent();
  for (const AccountEntry& entry : history_.Entries()) history_box_->AddString(entry.account.c_str());
  if (history_box_->GetCount() > 0) {
    history_box_->SetCurSel(0);
    if (account_->GetWindowText().empty()) OnHistoryChosen();
  }
}

void CDialogHomePage::OnHistoryChosen() {
  const int selected = history_box_->GetCurSel();
  if (selected < 0) return;
  const std::string account = history_box_->GetLBText(selected);
  account_->SetWindowText(account.c_str());
  const AccountEntry* entry = history_.Find(account);
  if (entry && entry->rememberPassword) {
    remember_->SetCheck(1);
    password_->SetWindowText(entry->password.c_str());
  } else {
    remember_->SetCheck(0);
    password_->SetWindowText("");
  }
}

void CDialogHomePage::ShowPopup(const std::string& text) {
  popup_->ShowMessage(GetHandle(), 0, text);
  popup_->SetOkMessage(0);
  popup_->SetCancelMessage(0);
}

void CDialogHomePage::ShowQuestion(const std::string& text, unsigned ok_id, int program_id) {
  question_->ShowMessage(GetHandle(), 1, text);
  question_->SetOkMessage(ok_id, ProgramIdParam(program_id), 0);
  question_->SetCancelMessage(0);
}

// ---------------------------------------------------------------------------------------------
// Programs and sites

void CDialogHomePage::OpenProgram(SoftwareState* program) {
  OpenDecision decision = DecideOpen(software_, program);
  if (decision.action == OpenAction::kRun) {
    if (software_.RunProgram(decision.target->id, nullptr)) {
      if (CMgrConfig* config = GetMgrConfig()) config->RecordLastUsedSoft(decision.target->id);
      PaintRecent();
      return;
    }
    decision = DecideByStatus(decision.target);
  }
  switch (decision.action) {
    case OpenAction::kAskDownload:
      ShowQuestion(OpenText(decision.action), kMsgDownloadAsked, decision.target->id);
      break;
    case OpenAction::kInList:
      ShowPopup(OpenText(decision.action));
      if (main_window_) ds::PostMessageTo(main_window_, kMsgShowDownloads, 0, 0);
      break;
    case OpenAction::kAskInstall:
      ShowQuestion(OpenText(decision.action), kMsgInstallAsked, decision.target->id);
      break;
    default:
      break;
  }
}

void CDialogHomePage::OnAnswer(unsigned message, int program_id) {
  SoftwareState* program = software_.FindState(program_id);
  if (!program) return;
  if (message == kMsgInstallAsked) {
    const std::string directory = program->downloadDir.empty() ? software_.DownloadDir() : program->downloadDir;
    const std::string installer = ds::NativePath(FinishedInstallerPath(directory, program->url));
    if (ds::StartProcess(installer.c_str(), nullptr, ds::DirectoryOf(installer).c_str(), nullptr) > 32) return;
  }
  if (StartHomeDownload(software_, program) && main_window_)
    ds::PostMessageTo(main_window_, kMsgShowDownloads, 0, 0);
}

void CDialogHomePage::OpenSite(const std::string& address) {
  const std::string error = OpenSiteAddress(address);
  if (!error.empty()) ShowPopup(error);
}

void CDialogHomePage::PaintPrograms() {
  const std::vector<SoftwareState*> items = session_.Programs().PageItems();
  for (std::size_t i = 0; i < program_cells_.size(); ++i) {
    CHomeCell* cell = program_cells_[i];
    SoftwareState* program = i < items.size() ? items[i] : nullptr;
    cell->SetContent(program ? program->name : std::string(), program ? ImageOf(program->icon) : QImage());
    cell->onDoubleClick = program ? std::function<void()>([this, program] { OpenProgram(program); }) : nullptr;
  }
}

void CDialogHomePage::PaintSites() {
  const std::vector<ds::Site> items = session_.Sites().PageItems();
  for (std::size_t i = 0; i < site_cells_.size(); ++i) {
    CHomeCell* cell = site_cells_[i];
    if (i < items.size()) {
      const std::string address = items[i].address;
      cell->SetContent(items[i].name);
      cell->onClick = [this, address] { OpenSite(address); };
    } else {
      cell->SetContent("");
      cell->onClick = nullptr;
    }
  }
}

void CDialogHomePage::PaintRecent() {
  CMgrConfig* config = GetMgrConfig();
  for (int i = 0; i < kRecentSlots; ++i) {
    CHomeCell* cell = recent_cells_[static_cast<std::size_t>(i)];
    char key[32];
    std::snprintf(key, sizeof(key), "LastUseSoft%d", i);
    int id = -1;
    SoftwareState* program = config && config->GetInteger(key, id) ? software_.FindState(id) : nullptr;
    cell->SetContent("", program ? ImageOf(program->icon) : QImage());
    cell->setToolTip(program ? QString::fromStdString(program->name) : QString());
    cell->onDoubleClick = program ? std::function<void()>([this, program] { OpenProgram(program); }) : nullptr;
  }
}

void CDialogHomePage::RefreshRows() {
  PaintRecent();
  runnable_list_->update();
}

// ---------------------------------------------------------------------------------------------
// Runnable programs

void CDialogHomePage::ResetRunnablePages() {
  const int per_page = std::max(1, runnable_list_->GetCountPerPage());
  runnable_pager_.Reset((static_cast<int>(runnable_.size()) + per_page - 1) / per_page);
  ShowRunnablePage();
}

void CDialogHomePage::ShowRunnablePage() {
  const int per_page = std::max(1, runnable_list_->GetCountPerPage());
  runnable_list_->DeleteAllItems();
  runnable_list_->SetSelectedRow(-1);
  const int first = (runnable_pager_.page() - 1) * per_page;
  for (int i = first; i < static_cast<int>(runnable_.size()) && i < first + per_page; ++i) {
    const int row = runnable_list_->InsertItem(runnable_list_->GetItemCount(), runnable_[i]->name.c_str());
    runnable_list_->SetItemData(row, static_cast<std::uintptr_t>(runnable_[i]->id));
  }
  for (int i = 0; i < shell::Pager::kCells; ++i) {
    CHomeCell* cell = number_cells_[static_cast<std::size_t>(i)];
    const shell::Pager::CellState state = runnable_pager_.StateOf(i);
    cell->SetContent(state == shell::Pager::CellState::Disabled ? std::string()
                     : state == shell::Pager::CellState::Current
                         ? "[" + std::to_string(runnable_pager_.CellValue(i)) + "]"
                         : std::to_string(runnable_pager_.CellValue(i)));
    cell->setEnabled(state != shell::Pager::CellState::Disabled);
  }
  counter_->SetWindowText(runnable::CounterText(static_cast<int>(runnable_.size())).c_str());
}

void CDialogHomePage::Search() {
  const std::string text = runnable::Trim(search_->GetWindowText());
  runnable_ = runnable::Programs(software_);
  const bool reset = runnable::IsReset(text);
  if (reset) {
    if (search_->GetWindowText() != shell::kSearchHint) search_->SetWindowText("");
  } else {
    runnable_ = runnable::Search(runnable_, text);
  }
  const bool found = reset || !runnable_.empty();
  no_result_->setVisible(!found);
  for (QWidget* widget : runnable_pager_controls_) widget->setVisible(found);
  ResetRunnablePages();
  update();
}

// ---------------------------------------------------------------------------------------------

ds::LResult CDialogHomePage::WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) {
  switch (message) {
    case kMsgConnected:
      if (connect_thread_) {
        ds::WaitThreadEnd(connect_thread_);
        ds::CloseThreadHandle(connect_thread_);
        connect_thread_ = nullptr;
      }
      exchange_ = net_ ? net_->Current() : nullptr;
      Apply(session_.OnConnected());
      return 1;
    case kMsgConnectFailed:
      if (connect_thread_) {
        ds::WaitThreadEnd(connect_thread_);
        ds::CloseThreadHandle(connect_thread_);
        connect_thread_ = nullptr;
      }
      Apply(session_.OnConnectFailed());
      if (!session_.State().loggedIn) EnableLogin(true);
      return 1;
    case kMsgDownloadAsked:
    case kMsgInstallAsked:
      OnAnswer(message, ProgramIdOf(wparam));
      return 1;
    case vexo_msg::WM_NOTIFY: {
      const auto* header = reinterpret_cast<const VEXO_NMHDR*>(lparam);
      if (header && header->idFrom == kIdRunnable && header->code == vexo_msg::NM_DBLCLK) {
        const auto* activate = reinterpret_cast<const VEXO_NMITEMACTIVATE*>(lparam);
        if (activate->iItem >= 0 && activate->iItem < runnable_list_->GetItemCount())
          OpenProgram(software_.FindState(static_cast<int>(runnable_list_->GetItemData(activate->iItem))));
        return 1;
      }
      break;
    }
    case vexo_msg::WM_COMMAND: {
      const unsigned id = vexo_msg::LowWord(wparam);
      const int code = static_cast<int>(vexo_msg::HighWord(wparam));
      if (id == kIdSearchEdit) {
        if (code == VEXO_EN_RETURN) {
          Search();
        } else if (code == vexo_msg::EN_SETFOCUS || code == vexo_msg::EN_KILLFOCUS) {
          const shell::EditLook look = code == vexo_msg::EN_SETFOCUS ? shell::OnSearchFocusIn(search_->GetWindowText())
                                                                     : shell::OnSearchFocusOut(search_->GetWindowText());
          if (look.change) {
            const unsigned colour = look.hint ? shell::kSearchHintColour : 0;
            search_->SetTextColor(colour, colour);
            search_->SetWindowText(look.text.c_str());
          }
        }
        return 1;
      }
      if ((id == kIdPassword || id == kIdAccount) && code == VEXO_EN_RETURN) {
        Login();
        return 1;
      }
      if (id == kIdHistory && code == vexo_msg::CBN_SELCHANGE) {
        OnHistoryChosen();
        return 1;
      }
      if (code != vexo_msg::BN_CLICKED) return 1;
      switch (id) {
        case kIdLogin: Login(); break;
        case kIdRegister:
        case kIdForget:
          if (const FunctionInfo* links = CDictMgr::Instance()->Functions().At(0))
            OpenSite(id == kIdRegister ? links->regbt : links->forgetpassword);
          break;
        case kIdProgramsPrev: session_.Programs().Pages().Previous(); PaintPrograms(); break;
        case kIdProgramsNext: session_.Programs().Pages().Next(); PaintPrograms(); break;
        case kIdSitesPrev: session_.Sites().Pages().Previous(); PaintSites(); break;
        case kIdSitesNext: session_.Sites().Pages().Next(); PaintSites(); break;
        case kIdSearchButton: Search(); break;
        case kIdRunnablePrev: runnable_pager_.Previous(); ShowRunnablePage(); break;
        case kIdRunnableNext: runnable_pager_.Next(); ShowRunnablePage(); break;
        default: break;
      }
      return 1;
    }
    default:
      break;
  }
  return VEXO_Dialog::WindowProc(message, wparam, lparam);
}
