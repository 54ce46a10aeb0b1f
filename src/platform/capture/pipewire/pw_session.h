#pragma once
// One connection to a PipeWire daemon: its loop runs on the GUI thread (the
// loop's descriptor in a QSocketNotifier), and it keeps the list of video
// sources the daemon announces. Cameras stream over it.

#include <QObject>
#include <QSize>
#include <QSocketNotifier>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct pw_context;
struct pw_core;
struct pw_loop;
struct pw_registry;
struct spa_pod;
struct spa_dict;
struct pw_node_info;

namespace capture::pw {

struct NodeInfo {
  std::uint32_t id = 0;
  QString name;         // node.name: stays the same when the node comes back
  QString description;  // node.description, else node.nick; may be empty
  bool camera = false;  // media.role "Camera"
  QString devicePath;   // the /dev/video node behind it, when it is a V4L2 camera
};

// A pixel format a node offers, with its sizes.
struct FormatOffer {
  std::uint32_t fourcc = 0;
  std::vector<QSize> sizes;
};

// Called back after the loop has been run, outside any PipeWire callback, so
// a client may stop or destroy streams there.
class SessionClient {
 public:
  virtual void afterDispatch() = 0;

 protected:
  ~SessionClient() = default;
};

class Session {
 public:
  // Connects to the daemon of XDG_RUNTIME_DIR (or PIPEWIRE_REMOTE), or over
  // `fd` handed over by the Camera portal (taken over, closed in any case).
  // Null when nothing answers.
  static std::unique_ptr<Session> connect(int fd = -1);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // False once the daemon went away.
  bool connected() const { return connected_; }
  const std::vector<NodeInfo>& nodes() const { return nodes_; }
  std::optional<NodeInfo> find(const QString& name) const;
  // Runs the loop until the daemon has answered everything asked so far.
  bool roundtrip();
  // Runs the loop until `done` holds (true) or the wait ends (false).
  bool runUntil(const std::function<bool()>& done, int waitMs);
  // The formats a node offers (asked from the daemon; empty when it is gone).
  std::vector<FormatOffer> formats(std::uint32_t nodeId);

  pw_core* core() const { return core_; }
  void addClient(SessionClient* client);
  void removeClient(SessionClient* client);

 private:
  Session() = default;
  bool open(int fd);
  void dispatch();
  void deliverSoon();
  void deliver();
  static void onGlobal(void* data, std::uint32_t id, std::uint32_t permissions, const char* type,
                       std::uint32_t version, const struct spa_dict* props);
  static void onGlobalRemove(void* data, std::uint32_t id);
  static void onDone(void* data, std::uint32_t id, int seq);
  static void onError(void* data, std::uint32_t id, int seq, int res, const char* message);

  struct Hooks;
  struct Bound;  // a node bound for its full properties
  void bind(std::uint32_t id);
  static void onNodeInfo(void* data, const struct pw_node_info* info);

  pw_loop* loop_ = nullptr;
  pw_context* context_ = nullptr;
  pw_core* core_ = nullptr;
  pw_registry* registry_ = nullptr;
  std::unique_ptr<Hooks> hooks_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QObject context;  // owner of queued deliveries
  std::vector<NodeInfo> nodes_;
  std::vector<std::unique_ptr<Bound>> bound_;
  int awaitedInfo_ = 0;
  std::vector<SessionClient*> clients_;
  bool connected_ = false;
  int lastDone_ = -1;
  bool deliveryQueued_ = false;
};

// Offers of one EnumFormat parameter added to `offers` (sizes merged per format).
void addOffers(const spa_pod* param, std::vector<FormatOffer>& offers);

// The fourcc the program decodes for a raw video format of PipeWire; 0 for none.
std::uint32_t fourccOfRawFormat(std::uint32_t spaFormat);
std::uint32_t rawFormatOfFourcc(std::uint32_t fourcc);
// Every raw format asked for, best first.
const std::vector<std::uint32_t>& rawFormats();

}  // namespace capture::pw
