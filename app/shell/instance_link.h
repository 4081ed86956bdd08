// The link between a second start and the running instance: the running one listens on a local
// socket in the per-user runtime folder, named after its mutex; a second start sends its
// normalised command line there and waits, bounded, for a one-byte answer that says it was
// handled. Message: 4-byte length (little-endian) and the text; answer: one byte.
#pragma once

#include <QObject>
#include <functional>
#include <string>

class QLocalServer;

namespace shell {

// "<runtime folder>/<name>.sock", "" when the runtime folder is refused.
std::string InstanceSocketPath(const char* name);

class CInstanceServer : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void(const std::string& text)>;
  explicit CInstanceServer(Handler handler, QObject* parent = nullptr);
  ~CInstanceServer() override;

  // Listens on the socket of `name`, removing a socket a crashed holder left behind (call only
  // while holding the mutex). 1 when listening.
  int Listen(const char* name);
  void Close();

 private:
  void OnConnection();
  QLocalServer* server_;
  Handler handler_;
};

// Sends `text` to the running instance of `name` and waits up to `timeout_ms` for its answer.
// 1 when it answered, 0 when nobody listens or no answer came.
int ForwardToRunningInstance(const char* name, const std::string& text, int timeout_ms = 5000);

}  // namespace shell
