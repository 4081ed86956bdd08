// The home page's exchanges with the account server, apart from any window. Every exchange is
// one connection: a login (183, then 184 or 185, then the account's stored lists) or an upload
// of changed lists, which logs in first with the remembered password and sends the lists only
// after 184. The page connects, hands each received message here and does what the outcome
// says.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/home/common_lists.h"
#include "app/home/login_rules.h"

class SoftwareMgr;

class HomeSession {
 public:
  enum class Mode { kIdle, kLogin, kUpload };
  enum class Popup { kNone, kNotice, kBox };

  struct Outcome {
    std::vector<std::string> send;  // messages to send, in order
    std::string text;               // the popup's text
    Popup popup = Popup::kNone;
    bool close = false;             // close the connection
    bool loggedIn = false;          // a login was accepted
    bool refused = false;           // a login was refused: enable the login controls
    bool listsChanged = false;      // repaint the lists
  };

  explicit HomeSession(SoftwareMgr& software);

  login::LoginState& State() { return state_; }
  const login::LoginState& State() const { return state_; }
  CommonPrograms& Programs() { return programs_; }
  CommonSites& Sites() { return sites_; }
  Mode CurrentMode() const { return mode_; }

  // Both lists back to the catalogue's defaults.
  void ResetLists();
  // A login of `account` with `password` begins (checked by the caller).
  void BeginLogin(const std::string& account, const std::string& password);
  // The lists changed while logged in: marks them for upload. True when an upload connection
  // should be started (logged in and something pending).
  bool MarkProgramsChanged();
  bool MarkSitesChanged();
  bool UploadPending() const { return programs_pending_ || sites_pending_; }
  // Connected: what to send first (the login request, for a login and for an upload alike).
  // Begins an upload when logged in with lists pending.
  Outcome OnConnected();
  // The connection failed or ended before the answer.
  Outcome OnConnectFailed();
  // One received message (header included).
  Outcome OnMessage(std::uint32_t id, std::string_view message);
  // A login's lists did not come (the account has none stored): the exchange is over.
  void EndListWait();
  // Logout: the defaults, and nothing pending.
  void Logout();

 private:
  Outcome OnAccepted(std::string_view message);
  Outcome OnRefused(std::string_view message);
  Outcome OnUploadResult(std::string_view message);

  SoftwareMgr& software_;
  login::LoginState state_;
  CommonPrograms programs_;
  CommonSites sites_;
  Mode mode_ = Mode::kIdle;
  bool programs_pending_ = false;
  bool sites_pending_ = false;
  int results_expected_ = 0;
  bool sites_chunks_open_ = false;  // a stored site list is arriving
};
