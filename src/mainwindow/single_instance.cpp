#include "mainwindow/single_instance.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <cstdlib>
#include <optional>

#include "devicelink/install.h"
#include "state/paths.h"
#include "state/prompter.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace dotcaster {
namespace {

constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 3000;
// A start that holds the claim lock only connects and listens; one that holds it longer
// than this is hung, and the others decide without it.
constexpr int kLockMs = 5000;
// Between two looks at whether the window can take a waiting request.
constexpr int kRetryMs = 100;
constexpr qint64 kMaxRequest = 64 * 1024;
constexpr const char* kAnsweredProperty = "dotcasterAnswered";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string EnvText(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

QByteArray Encode(const HandOverRequest& request) {
  const QJsonObject object{{"title", Q(request.title)},
                           {"file", Q(request.file)},
                           {"token", Q(request.activationToken)},
                           {"startup", Q(request.startupId)}};
  return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<HandOverRequest> Decode(const QByteArray& line) {
  const QJsonDocument document = QJsonDocument::fromJson(line);
  if (!document.isObject()) return std::nullopt;
  const QJsonObject object = document.object();
  auto text = [&](const char* key) { return object.value(key).toString().toStdString(); };
  return HandOverRequest{text("title"), text("file"), text("token"), text("startup")};
}

QString LockFilePath(const QString& name) {
#ifdef _WIN32
  return QDir(QDir::tempPath()).filePath(name + ".lock");  // a pipe name is no path
#else
  return name + ".lock";
#endif
}

#ifndef _WIN32
bool IsPrivateFolder(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}
#endif

}  // namespace

LaunchActivation ReadLaunchActivation() {
  return {EnvText("XDG_ACTIVATION_TOKEN"), EnvText("DESKTOP_STARTUP_ID")};
}

HandOverRequest MakeHandOverRequest(const QStringList& args, const LaunchActivation& launch) {
  HandOverRequest request{kAppTitle, {}, launch.activationToken, launch.startupId};
  std::string text = args.join(' ').toStdString();
  RemoveEnclosingQuotes(text);
  if (!text.empty()) {
    const QString given = QDir::fromNativeSeparators(Q(text));
    request.file = QDir::toNativeSeparators(QDir::current().absoluteFilePath(given)).toStdString();
  }
  return request;
}

std::string PrivateInstanceFolder() {
#ifdef _WIN32
  return {};
#else
  const std::string runtime = EnvText("XDG_RUNTIME_DIR");
  if (runtime.starts_with('/') && IsPrivateFolder(runtime)) return runtime;
  const std::string folder =
      JoinPath(QDir::tempPath().toStdString(), "dotcaster-run-" + std::to_string(::geteuid()));
  // An existing entry is checked like a new one: a folder another user made, or one that
  // others may enter, or a link, is not used.
  ::mkdir(folder.c_str(), 0700);
  return IsPrivateFolder(folder) ? folder : std::string();
#endif
}

std::string InstanceServerName() {
  std::string name = "dotcaster";
#ifdef _WIN32
  name += '-' + EnvText("USERNAME");
#endif
  const std::string config = EnvText(kConfigDirVariable);
  if (!config.empty()) {
    name += '-';
    name += QCryptographicHash::hash(QByteArray::fromStdString(config), QCryptographicHash::Sha1)
                .toHex()
                .left(12)
                .toStdString();
  }
#ifdef _WIN32
  return name;
#else
  const std::string folder = PrivateInstanceFolder();
  return folder.empty() ? std::string() : JoinPath(folder, name);
#endif
}

bool PeerIsOwnUser(qintptr descriptor) {
#if defined(_WIN32)
  (void)descriptor;
  return true;  // the pipe's access list admits this user only (UserAccessOption)
#elif defined(__linux__)
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
    return false;
  return peer.uid == ::geteuid();
#else
  uid_t uid = 0;
  gid_t gid = 0;
  if (::getpeereid(static_cast<int>(descriptor), &uid, &gid) != 0) return false;
  return uid == ::geteuid();
#endif
}

bool SendHandOver(const QString& name, const HandOverRequest& request) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(kConnectMs)) return false;
  // Whatever listens there but runs as someone else is no instance of ours.
  if (!PeerIsOwnUser(socket.socketDescriptor())) return false;
#ifdef _WIN32
  // This start is the one the user just made, so it may give the foreground away; the
  // running window can then come to the front instead of only flashing in the taskbar.
  AllowSetForegroundWindow(ASFW_ANY);
#endif
  socket.write(Encode(request));
  socket.waitForBytesWritten(kConnectMs);
  // An instance that is there but slow to answer (busy loading a picture) still counts as
  // running: it reads the request when it gets to it.
  while (!socket.canReadLine() && socket.waitForReadyRead(kAnswerMs)) {
  }
  socket.disconnectFromServer();
  return true;
}

InstanceClaim ClaimInstance(const HandOverRequest& request) {
  InstanceClaim claim;
  const QString name = Q(InstanceServerName());
  if (name.isEmpty()) return claim;
  // Connecting and listening happen under the lock, so of two starts at the same moment
  // the second finds the first listening. A lock left by a start that died is taken over.
  QLockFile lock(LockFilePath(name));
  lock.setStaleLockTime(0);
  const bool locked = lock.tryLock(kLockMs);
  if (SendHandOver(name, request)) {
    claim.handedOver = true;
    return claim;
  }
  auto server = std::make_unique<InstanceServer>();
  if (server->Listen(name, locked)) claim.server = std::move(server);
  return claim;
}

InstanceServer::InstanceServer() : server_(std::make_unique<QLocalServer>()) {
  retry_.setSingleShot(true);
  retry_.setInterval(kRetryMs);
  connect(&retry_, &QTimer::timeout, this, [this] { Deliver(); });
  connect(server_.get(), &QLocalServer::newConnection, this, [this] { Accept(); });
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen(const QString& name, bool replace_stale) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (server_->listen(name)) return true;
  // Nobody answered on the name, and no other start is deciding: a socket left behind.
  if (!replace_stale || server_->serverError() != QAbstractSocket::AddressInUseError) return false;
  QLocalServer::removeServer(name);
  return server_->listen(name);
}

void InstanceServer::Serve(HandOverTarget* target) {
  target_ = target;
  if (target_ && !pending_.empty()) QTimer::singleShot(0, this, [this] { Deliver(); });
}

void InstanceServer::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    if (!PeerIsOwnUser(socket->socketDescriptor())) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    // A start that gave up waiting has still written its request.
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
      Read(socket);
      socket->deleteLater();
    });
    Read(socket);
  }
}

void InstanceServer::Read(QLocalSocket* socket) {
  if (socket->property(kAnsweredProperty).toBool()) return;
  if (!socket->canReadLine()) {
    // A peer that never ends its line is dropped once it has sent too much.
    if (socket->bytesAvailable() > kMaxRequest) socket->abort();
    return;
  }
  socket->setProperty(kAnsweredProperty, true);
  const std::optional<HandOverRequest> request = Decode(socket->readLine(kMaxRequest).trimmed());
  socket->write(request ? "ok\n" : "no\n");
  socket->flush();
  socket->disconnectFromServer();
  if (!request) return;
  pending_.push_back(*request);
  if (target_) target_->HandOverArrived(*request);
  QTimer::singleShot(0, this, [this] { Deliver(); });
}

void InstanceServer::Deliver() {
  if (delivering_ || pending_.empty() || !target_) return;
  if (!target_->CanTakeHandOver()) {
    retry_.start();
    return;
  }
  delivering_ = true;
  const HandOverRequest request = pending_.front();
  pending_.pop_front();
  target_->TakeHandOver(request);
  delivering_ = false;
  if (!pending_.empty()) QTimer::singleShot(0, this, [this] { Deliver(); });
}

}  // namespace dotcaster
