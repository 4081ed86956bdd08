#include "app/shell/instance_link.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

#include "core/platform/named_mutex.h"
#include "core/text/path.h"

namespace shell {
namespace {

// Forwarded texts are short command lines; anything longer is refused.
constexpr quint32 kMaxText = 64 * 1024;

}  // namespace

std::string InstanceSocketPath(const char* name) {
  const std::string dir = ds::GetRuntimeDirectory();
  if (dir.empty() || !name || !*name) return std::string();
  return ds::JoinPath(dir, std::string(name) + ".sock");
}

CInstanceServer::CInstanceServer(Handler handler, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), handler_(std::move(handler)) {
  connect(server_, &QLocalServer::newConnection, this, &CInstanceServer::OnConnection);
}

CInstanceServer::~CInstanceServer() { Close(); }

int CInstanceServer::Listen(const char* name) {
  const std::string path = InstanceSocketPath(name);
  if (path.empty()) return 0;
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  const QString full = QString::fromStdString(path);
  QLocalServer::removeServer(full);
  return server_->listen(full) ? 1 : 0;
}

void CInstanceServer::Close() {
  if (server_->isListening()) server_->close();
}

void CInstanceServer::OnConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer]() {
      buffer->append(socket->readAll());
      if (buffer->size() < 4) return;
      const auto* head = reinterpret_cast<const unsigned char*>(buffer->constData());
      const quint32 length = head[0] | (head[1] << 8) | (head[2] << 16) | (quint32(head[3]) << 24);
      if (length > kMaxText) {
        socket->abort();
        return;
      }
      if (static_cast<quint32>(buffer->size()) < 4 + length) return;
      const std::string text(buffer->constData() + 4, length);
      buffer->clear();
      // Answer after handling, as a synchronous send would return after it.
      if (handler_) handler_(text);
      socket->write("1", 1);
      socket->flush();
    });
  }
}

int ForwardToRunningInstance(const char* name, const std::string& text, int timeout_ms) {
  const std::string path = InstanceSocketPath(name);
  if (path.empty() || text.size() > kMaxText) return 0;
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(path));
  QElapsedTimer clock;
  clock.start();
  if (!socket.waitForConnected(timeout_ms)) return 0;
  QByteArray message;
  const quint32 length = static_cast<quint32>(text.size());
  for (int shift = 0; shift < 32; shift += 8) message.append(static_cast<char>((length >> shift) & 0xFF));
  message.append(text.data(), static_cast<int>(text.size()));
  socket.write(message);
  while (socket.bytesToWrite() > 0) {
    const int left = timeout_ms - static_cast<int>(clock.elapsed());
    if (left <= 0 || !socket.waitForBytesWritten(left)) return 0;
  }
  while (socket.bytesAvailable() < 1) {
    const int left = timeout_ms - static_cast<int>(clock.elapsed());
    if (left <= 0 || !socket.waitForReadyRead(left)) return 0;
  }
  socket.disconnectFromServer();
  return 1;
}

}  // namespace shell
