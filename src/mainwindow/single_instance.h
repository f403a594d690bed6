#pragma once

// One dotcaster per user. The first start listens on a local socket; a later start hands
// its command line over to it (the file it was given, and the desktop's permission to take
// the foreground) and ends without a window. The running window comes forward and opens
// the file as a drop would.
//
// The decision is the first thing a start does, under a lock file, so that two starts at
// the same moment give one window, and a first start still busy with its start-up (a
// message, a large picture) already owns the instance: what is handed over waits until the
// window can take it.
//
// Only this user's own starts count. On Unix the socket lives in a folder only the user
// can enter (XDG_RUNTIME_DIR when it is such a folder, else <temp>/dotcaster-run-<uid>,
// made with mode 0700 and checked for its owner and mode; a folder that fails the check is
// not used and the program runs without the rule), and either side trusts the other only
// when the peer's user id is its own. On Windows the pipe admits only this user. The name
// depends on DOTCASTER_CONFIG_DIR when that is set, so tests never meet a real instance.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <memory>
#include <string>

class QLocalSocket;
class QLocalServer;

namespace dotcaster {

// What a second start hands over.
struct HandOverRequest {
  std::string title;            // the window to bring forward: its title starts with this
  std::string file;             // absolute path of the file to open; empty: only come forward
  std::string activationToken;  // Wayland: the XDG_ACTIVATION_TOKEN the second start got
  std::string startupId;        // X11: the DESKTOP_STARTUP_ID the second start got
};

// Window-system hints a start is given by its launcher. Read them before the QApplication
// exists: Qt's platform plugins take them out of the environment.
struct LaunchActivation {
  std::string activationToken;
  std::string startupId;
};
LaunchActivation ReadLaunchActivation();

// The request for a command line (arguments without the program name; joined, they are the
// command-line text, from which a double quote at either end is removed). A relative path
// is made absolute here, against this start's own folder.
HandOverRequest MakeHandOverRequest(const QStringList& args, const LaunchActivation& launch);

// The receiving side, given to the server once the window exists.
class HandOverTarget {
 public:
  virtual ~HandOverTarget() = default;
  // Called when a request arrives, even in the middle of start-up or of a modal dialog.
  virtual void HandOverArrived(const HandOverRequest& request) = 0;
  // Whether the window can take a request now (start-up has ended, no dialog or command
  // is running). Asked again later while it says no.
  virtual bool CanTakeHandOver() = 0;
  virtual void TakeHandOver(const HandOverRequest& request) = 0;
};

// The running instance's end of the socket. Requests are answered at once and kept until
// the target takes them, one at a time, in their order of arrival.
class InstanceServer : public QObject {
 public:
  InstanceServer();
  ~InstanceServer() override;

  // Listens on name; a socket left behind by an instance that ended without closing it is
  // replaced when replace_stale is set (the caller holds the claim lock).
  bool Listen(const QString& name, bool replace_stale);
  // Requests go to target from now on (nullptr: they wait again). Not owned.
  void Serve(HandOverTarget* target);

 private:
  void Accept();
  void Read(QLocalSocket* socket);
  void Deliver();

  std::unique_ptr<QLocalServer> server_;
  HandOverTarget* target_ = nullptr;
  std::deque<HandOverRequest> pending_;
  QTimer retry_;
  bool delivering_ = false;
};

// Start-up's first step.
struct InstanceClaim {
  bool handedOver = false;                 // a running instance took the request: end now
  std::unique_ptr<InstanceServer> server;  // this start is the instance (null: no rule)
};
InstanceClaim ClaimInstance(const HandOverRequest& request);

// Hands request over to the instance listening on name. True when an instance of this user
// took it (or is there but slow to answer); false when nobody, or only a stranger, listens.
bool SendHandOver(const QString& name, const HandOverRequest& request);

// The socket name for this user (a full path on Unix), or empty text when there is no
// private place for it.
std::string InstanceServerName();

// The folder only this user can enter that holds the socket (see above); empty text when
// neither candidate qualifies. Unix only.
std::string PrivateInstanceFolder();

// Whether the peer of a connected local socket runs as this process's user.
bool PeerIsOwnUser(qintptr descriptor);

}  // namespace dotcaster
