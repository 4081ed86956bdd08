#include "app/home/home_session.h"

#include "app/catalogue/software_mgr.h"
#include "core/log/logger.h"
#include "core/net/account_wire.h"

HomeSession::HomeSession(SoftwareMgr& software) : software_(software) { ResetLists(); }

void HomeSession::ResetLists() {
  programs_.ResetDefaults(software_);
  sites_.ResetDefaults(DefaultSites());
}

void HomeSession::BeginLogin(const std::string& account, const std::string& password) {
  mode_ = Mode::kLogin;
  state_.account = account;
  state_.password = password;
}

bool HomeSession::MarkProgramsChanged() {
  if (!state_.loggedIn) return false;
  programs_pending_ = true;
  return true;
}

bool HomeSession::MarkSitesChanged() {
  if (!state_.loggedIn) return false;
  sites_pending_ = true;
  return true;
}

HomeSession::Outcome HomeSession::OnConnected() {
  Outcome outcome;
  if (state_.loggedIn) {
    if (!UploadPending()) {
      outcome.close = true;
      return outcome;
    }
    mode_ = Mode::kUpload;
  } else if (mode_ != Mode::kLogin) {
    outcome.close = true;
    return outcome;
  }
  std::string request;
  if (!ds::EncodeLoginRequest({state_.account, ds::PasswordDigest(state_.password)}, &request)) {
    outcome.close = true;
    return outcome;
  }
  outcome.send.push_back(std::move(request));
  return outcome;
}

HomeSession::Outcome HomeSession::OnConnectFailed() {
  Outcome outcome;
  if (mode_ == Mode::kLogin && !state_.loggedIn) {
    outcome.popup = Popup::kNotice;
    outcome.text = login::kConnectFailed;
    outcome.refused = true;
  }
  // An upload that could not connect stays pending for the next change.
  mode_ = Mode::kIdle;
  return outcome;
}

HomeSession::Outcome HomeSession::OnMessage(std::uint32_t id, std::string_view message) {
  switch (id) {
    case ds::kMsgLoginAccepted: return OnAccepted(message);
    case ds::kMsgLoginRefused: return OnRefused(message);
    case ds::kMsgUploadResult: return OnUploadResult(message);
    case ds::kMsgCommonSoft: {
      Outcome outcome;
      ds::CommonSoftIds ids;
      // Lists arrive after a login; an upload's login ignores them.
      if (mode_ != Mode::kLogin || !state_.loggedIn) return outcome;
      if (!ds::DecodeCommonSoftList(message, &ids)) {
        ds::LogWarn("HomeSession::OnMessage")("malformed common program list; ignored.");
        return outcome;
      }
      outcome.listsChanged = programs_.ApplyServerIds(ids, software_);
      return outcome;
    }
    case ds::kMsgCommonSites: {
      Outcome outcome;
      std::string account, chunk;
      if (mode_ != Mode::kLogin || !state_.loggedIn || !sites_chunks_open_) return outcome;
      if (!ds::DecodeSitesChunk(message, &account, &chunk) || !sites_.FeedServerChunk(chunk)) {
        ds::LogWarn("HomeSession::OnMessage")("malformed site list chunk; ignored.");
        sites_chunks_open_ = false;
        outcome.close = true;
        mode_ = Mode::kIdle;
        return outcome;
      }
      outcome.listsChanged = true;
      if (sites_.ServerListFinished()) {
        // The chunk that ended the list ends the exchange.
        sites_chunks_open_ = false;
        outcome.close = true;
        mode_ = Mode::kIdle;
      }
      return outcome;
    }
    default:
      return Outcome();
  }
}

HomeSession::Outcome HomeSession::OnAccepted(std::string_view message) {
  Outcome outcome;
  ds::LoginAccepted accepted;
  if (mode_ == Mode::kIdle || !ds::DecodeLoginAccepted(message, &accepted)) {
    outcome.close = true;
    return outcome;
  }
  if (mode_ == Mode::kUpload) {
    ds::CommonSoftIds ids = programs_.Ids();
    std::string bytes;
    results_expected_ = 0;
    if (programs_pending_ && ds::EncodeCommonSoftUpload(state_.account, ids, &bytes)) {
      outcome.send.push_back(bytes);
      ++results_expected_;
    }
    std::vector<std::string> chunks;
    if (sites_pending_ && sites_.UploadChunks(&chunks)) {
      for (const std::string& chunk : chunks)
        if (ds::EncodeSitesChunk(state_.account, chunk, &bytes)) outcome.send.push_back(bytes);
      ++results_expected_;
    }
    programs_pending_ = sites_pending_ = false;
    if (results_expected_ == 0) {
      outcome.close = true;
      mode_ = Mode::kIdle;
    }
    return outcome;
  }
  state_.loggedIn = true;
  state_.sex = accepted.sex;
  state_.member = accepted.member;
  state_.nickname = accepted.nickname;
  // The account's own lists follow on this connection; until they come the defaults show.
  ResetLists();
  sites_.BeginServerList();
  sites_chunks_open_ = true;
  outcome.loggedIn = true;
  outcome.listsChanged = true;
  return outcome;
}

HomeSession::Outcome HomeSession::OnRefused(std::string_view message) {
  Outcome outcome;
  std::int32_t code = 0;
  if (!ds::DecodeLoginRefused(message, &code)) code = -1;
  outcome.popup = Popup::kNotice;
  outcome.text = login::RefusalText(code);
  outcome.close = true;
  if (mode_ == Mode::kLogin) outcome.refused = true;
  // An upload whose login is refused is not tried again until the lists change.
  if (mode_ == Mode::kUpload) programs_pending_ = sites_pending_ = false;
  mode_ = Mode::kIdle;
  return outcome;
}

HomeSession::Outcome HomeSession::OnUploadResult(std::string_view message) {
  Outcome outcome;
  std::int32_t result = 0;
  if (mode_ != Mode::kUpload) return outcome;
  if (ds::DecodeUploadResult(message, &result)) {
    if (result == ds::kResultSoftStored) {
      outcome.popup = Popup::kNotice;
      outcome.text = "常用软件更新成功!";
    } else if (result == ds::kResultSitesStored) {
      outcome.popup = Popup::kBox;
      outcome.text = "常用网站更新成功!";
    }
  }
  if (--results_expected_ <= 0) {
    outcome.close = true;
    mode_ = Mode::kIdle;
  }
  return outcome;
}

void HomeSession::Logout() {
  state_.Reset();
  programs_pending_ = sites_pending_ = false;
  sites_chunks_open_ = false;
  mode_ = Mode::kIdle;
  ResetLists();
}

void HomeSession::EndListWait() {
  if (mode_ != Mode::kLogin || !state_.loggedIn) return;
  sites_chunks_open_ = false;
  mode_ = Mode::kIdle;
}
