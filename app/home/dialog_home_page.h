// The main window's first page: the login panel (or the logged-in user's panel), the
// advertisements, the ten recently used programs, the common programs and common sites of the
// account, and the installed programs that can be run, with their search. What it decides lives
// in HomeSession and the list classes; this window paints them and forwards input.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/home/account_history.h"
#include "app/home/home_session.h"
#include "app/shell/pager.h"
#include "core/thread/thread.h"
#include "vexo/ui/dialog/dialog.h"

class CDlgSysMsg;
class CKivNetMsg;
class SoftwareMgr;
class VEXO_Button;
class VEXO_Checkbox;
class VEXO_ComboBox;
class VEXO_Edit;
class VEXO_EditPass;
class VEXO_Label;
class VEXO_ListCtrl;
struct SoftwareState;

// One cell of the page's program and site grids: a caption (and an image), clicked or double
// clicked.
class CHomeCell : public QWidget {
  Q_OBJECT
 public:
  explicit CHomeCell(QWidget* parent);
  void SetContent(const std::string& text, const QImage& image = QImage());
  std::string Text() const { return text_; }
  std::function<void()> onClick;
  std::function<void()> onDoubleClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::string text_;
  QImage image_;
};

class CDialogHomePage : public VEXO_Dialog {
  Q_OBJECT
 public:
  // Private messages of the page.
  static constexpr unsigned kMsgConnected = 2628;
  static constexpr unsigned kMsgConnectFailed = 2629;
  static constexpr unsigned kMsgDownloadAsked = 2233;
  static constexpr unsigned kMsgInstallAsked = 2333;
  static constexpr unsigned kMsgShowDownloads = 2528;
  static constexpr unsigned kMsgLoggedIn = 2551;
  // Ticks (40 ms) a login's connection waits for the account's lists before it is closed.
  static constexpr int kListWaitTicks = 50;

  CDialogHomePage(QWidget* parent, SoftwareMgr& software);
  ~CDialogHomePage() override;

  // Hands the page the messaging link and the main window: registers the handlers of 184, 185,
  // 186, 187 and 189, loads the account history from `work_dir` and fills the lists.
  void Attach(std::shared_ptr<CKivNetMsg> net, ds::MsgHandle main_window, const std::string& work_dir);
  // A main-window tick on which no message was dispatched.
  void OnIdleTick();
  // Refreshes what the programs' states show (recent programs, runnable list).
  void RefreshRows();

  // The login button (or Enter in the password box).
  void Login();
  // The main window asks to log out (2553), or the program ends.
  void Logout();
  // Ends the connect thread, if one runs, without killing it: it is asked to give up and waited
  // for.
  void EndLoginThread();
  bool IsConnectBusy() const { return connect_busy_; }

  // The settings dialogs' changes: replace a list; a logged-in user's list is uploaded.
  void SetCommonPrograms(std::vector<SoftwareState*> programs);
  bool SetCommonSites(const std::vector<ds::Site>& user_sites);

  HomeSession& Session() { return session_; }
  const AccountHistory& History() const { return history_; }
  bool IsLoggedIn() const { return session_.State().loggedIn; }
  CDlgSysMsg* Popup() const { return popup_.get(); }
  CDlgSysMsg* Question() const { return question_.get(); }
  VEXO_ListCtrl* RunnableList() const { return runnable_list_; }
  const std::vector<SoftwareState*>& Runnable() const { return runnable_; }
  VEXO_Label* RunnableCounter() const { return counter_; }
  VEXO_Label* NoResultLabel() const { return no_result_; }
  int RunnablePage() const { return runnable_pager_.page(); }
  // Grid cells: common programs (15), sites (12), recent programs (10).
  CHomeCell* ProgramCell(int index) const { return program_cells_[index]; }
  CHomeCell* SiteCell(int index) const { return site_cells_[index]; }
  CHomeCell* RecentCell(int index) const { return recent_cells_[index]; }
  CHomeCell* PageNumberCell(int index) const { return number_cells_[index]; }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override;

  // Control ids.
  enum : unsigned {
    kIdAccount = 2001, kIdHistory, kIdPassword, kIdRemember, kIdLogin, kIdRegister, kIdForget,
    kIdProgramsPrev, kIdProgramsNext, kIdSitesPrev, kIdSitesNext, kIdSearchEdit, kIdSearchButton,
    kIdRunnable, kIdRunnablePrev, kIdRunnableNext
  };

 protected:
  int OnInitDialog() override;

 private:
  void CreateControls();
  static std::uint32_t ConnectThread(void* parameter);
  void StartConnect();
  void StartPendingUpload();
  void Apply(const HomeSession::Outcome& outcome);
  void OnNetMessage(const char* message, int length);
  void OnConnectionClosed(void* info);
  void EnableLogin(bool enable);
  void ShowLoginState();
  void FillHistoryBox();
  void OnHistoryChosen();
  void ShowPopup(const std::string& text);
  void ShowQuestion(const std::string& text, unsigned ok_id, int program_id);
  void OpenProgram(SoftwareState* program);
  void OpenSite(const std::string& address);
  void OnAnswer(unsigned message, int program_id);
  void PaintPrograms();
  void PaintSites();
  void PaintRecent();
  void Search();
  void ShowRunnablePage();
  void ResetRunnablePages();

  SoftwareMgr& software_;
  HomeSession session_;
  AccountHistory history_{std::string()};
  std::shared_ptr<CKivNetMsg> net_;
  ds::MsgHandle main_window_ = 0;
  ds::ThreadHandle connect_thread_ = nullptr;
  std::atomic<bool> connect_busy_{false};
  void* exchange_ = nullptr;  // the connection of the running exchange
  int wait_ticks_ = 0;
  bool remember_choice_ = false;

  std::unique_ptr<CDlgSysMsg> popup_;
  std::unique_ptr<CDlgSysMsg> question_;
  VEXO_Edit* account_ = nullptr;
  VEXO_ComboBox* history_box_ = nullptr;
  VEXO_EditPass* password_ = nullptr;
  VEXO_Checkbox* remember_ = nullptr;
  VEXO_Button* login_ = nullptr;
  std::vector<QWidget*> login_controls_;
  VEXO_Label* user_label_ = nullptr;
  CHomeCell* advert_ = nullptr;
  CHomeCell* login_advert_ = nullptr;
  std::vector<CHomeCell*> program_cells_;
  std::vector<CHomeCell*> site_cells_;
  std::vector<CHomeCell*> recent_cells_;
  std::vector<CHomeCell*> number_cells_;
  VEXO_Edit* search_ = nullptr;
  VEXO_ListCtrl* runnable_list_ = nullptr;
  VEXO_Label* counter_ = nullptr;
  VEXO_Label* no_result_ = nullptr;
  std::vector<QWidget*> runnable_pager_controls_;
  std::vector<SoftwareState*> runnable_;
  shell::Pager runnable_pager_;
};
