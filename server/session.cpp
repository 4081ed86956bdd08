#include "server/session.h"

namespace corvane_server {

Session::Request Session::Close() {
  closed_ = true;
  buffer_.clear();
  consumed_ = 0;
  Request request;
  request.kind = Kind::kClose;
  return request;
}

Session::Request Session::Next() {
  if (closed_) return Close();
  while (true) {
    std::string_view rest(buffer_.data() + consumed_, buffer_.size() - consumed_);
    ds::FrameHeader header;
    ds::FrameStatus status = ds::PeekFrame(rest, &header);
    if (status == ds::FrameStatus::kBad) return Close();
    if (status == ds::FrameStatus::kNeedMore) {
      buffer_.erase(0, consumed_);
      consumed_ = 0;
      return Request();
    }
    std::string_view message = rest.substr(0, header.length);
    consumed_ += header.length;
    Request request;
    switch (header.id) {
      case ds::kMsgLoginRequest:
        if (!ds::DecodeLoginRequest(message, &request.login)) return Close();
        // A new login replaces the old one, and a site upload cut short by it is dropped.
        loggedIn_.clear();
        sites_.Reset();
        request.kind = Kind::kLogin;
        return request;
      case ds::kMsgCommonSoft:
        if (!ds::DecodeCommonSoftUpload(message, &request.account, &request.ids)) return Close();
        if (loggedIn_.empty() || request.account != loggedIn_) return Close();
        request.kind = Kind::kCommonSoft;
        return request;
      case ds::kMsgCommonSites: {
        std::string chunk;
        if (!ds::DecodeSitesChunk(message, &request.account, &chunk)) return Close();
        if (loggedIn_.empty() || request.account != loggedIn_) return Close();
        if (!sites_.Feed(chunk) || sites_.sites().size() > kMaxSites) return Close();
        if (!sites_.finished()) continue;
        request.sites = sites_.sites();
        sites_.Reset();
        request.kind = Kind::kSites;
        return request;
      }
      default:
        return Close();
    }
  }
}

}  // namespace corvane_server
