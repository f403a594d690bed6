#include "mainwindow/single_instance.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QWidget>
#include <cstdlib>

#include "devicelink/install.h"
#include "state/prompter.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace dotcaster {
namespace {

constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 3000;
constexpr const char* kRequest = "activate ";

// Brings window forward when its title starts with the requested one. Lives as a child of
// the window, so it stops listening when the window goes.
class InstanceServer : public QObject {
 public:
  InstanceServer(QWidget* window) : QObject(window), window_(window), server_(this) {
    connect(&server_, &QLocalServer::newConnection, this, [this] { Accept(); });
  }

  bool Listen(const QString& name) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(name)) return true;
    // A socket left behind by an instance that crashed; nobody answered on it.
    QLocalServer::removeServer(name);
    return server_.listen(name);
  }

 private:
  void Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Answer(socket); });
    }
  }

  void Answer(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
      // A peer that never ends its line is dropped once it has sent too much.
      if (socket->bytesAvailable() > 4096) socket->abort();
      return;
    }
    const QByteArray line = socket->readLine().trimmed();
    bool done = false;
    if (line.startsWith(kRequest) && window_) {
      const QString title = QString::fromUtf8(line.mid(static_cast<qsizetype>(strlen(kRequest))));
      if (window_->windowTitle().startsWith(title, Qt::CaseSensitive)) {
        if (window_->isMinimized())
          window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
        window_->show();
        window_->raise();
        window_->activateWindow();
        done = true;
      }
    }
    socket->write(done ? "ok\n" : "no\n");
    socket->flush();
    socket->disconnectFromServer();
  }

  QPointer<QWidget> window_;
  QLocalServer server_;
};

}  // namespace

std::string InstanceServerName() {
  std::string name = "dotcaster-";
#ifdef _WIN32
  const char* user = std::getenv("USERNAME");
  name += user ? user : "user";
#else
  name += std::to_string(static_cast<long>(getuid()));
#endif
  const char* config = std::getenv(kConfigDirVariable);
  if (config && *config) {
    name += '-';
    name += QCryptographicHash::hash(QByteArray(config), QCryptographicHash::Sha1)
                .toHex()
                .left(12)
                .toStdString();
  }
  return name;
}

bool ActivatePrevInstance(std::string_view title) {
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(InstanceServerName()));
  if (!socket.waitForConnected(kConnectMs)) return false;
  socket.write(QByteArray(kRequest) +
               QByteArray(title.data(), static_cast<qsizetype>(title.size())) + "\n");
  socket.waitForBytesWritten(kConnectMs);
  // An instance that is there but slow to answer still counts as running.
  while (!socket.canReadLine() && socket.waitForReadyRead(kAnswerMs)) {
  }
  socket.disconnectFromServer();
  return true;
}

bool HandOverToRunningInstance() {
  return ActivatePrevInstance(kAppTitle);
}

bool StartInstanceServer(QWidget* window) {
  if (!window) return false;
  auto* server = new InstanceServer(window);
  if (server->Listen(QString::fromStdString(InstanceServerName()))) return true;
  delete server;
  return false;
}

}  // namespace dotcaster
