#include "platform/capture/pipewire/pw_session.h"

#include <pipewire/pipewire.h>
#include <spa/param/format-utils.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/iter.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include "platform/capture/pixels.h"
#include "platform/capture/v4l2_camera.h"

namespace capture::pw {

namespace {

constexpr int kAnswerWaitMs = 5000;

struct FormatPair {
  std::uint32_t spa;
  std::uint32_t fourcc;
};

// Best first: formats that need no conversion before those that do.
constexpr FormatPair kRawFormats[] = {
    {SPA_VIDEO_FORMAT_BGRx, kBgrx32}, {SPA_VIDEO_FORMAT_BGRA, kBgrx32}, {SPA_VIDEO_FORMAT_RGBx, kRgbx32},
    {SPA_VIDEO_FORMAT_RGBA, kRgbx32}, {SPA_VIDEO_FORMAT_RGB, kRgb24},   {SPA_VIDEO_FORMAT_BGR, kBgr24},
    {SPA_VIDEO_FORMAT_YUY2, kYuyv},   {SPA_VIDEO_FORMAT_UYVY, kUyvy},   {SPA_VIDEO_FORMAT_GRAY8, kGrey},
};

QString text(const spa_dict* props, const char* key) {
  const char* value = props ? spa_dict_lookup(props, key) : nullptr;
  return value ? QString::fromUtf8(value) : QString();
}

// The device node (/dev/video0) a V4L2 camera node stands for: its api.v4l2.path, or
// the object.path "v4l2:/dev/video0" the daemon's own V4L2 monitor gives it.
QString devicePathOf(const spa_dict* props) {
  QString path = text(props, "api.v4l2.path");
  if (path.isEmpty()) {
    path = text(props, PW_KEY_OBJECT_PATH);
    if (path.startsWith(QLatin1String("v4l2:"))) path = path.mid(5);
  }
  return path.startsWith('/') ? path : QString();
}

void addSizes(const spa_pod* pod, std::vector<QSize>& sizes) {
  std::uint32_t count = 0, choice = 0;
  const spa_pod* values = spa_pod_get_values(pod, &count, &choice);
  if (values->type != SPA_TYPE_Rectangle || values->size < sizeof(spa_rectangle)) return;
  const auto* r = static_cast<const spa_rectangle*>(SPA_POD_BODY_CONST(values));
  auto size = [](const spa_rectangle& rect) { return QSize(int(rect.width), int(rect.height)); };
  std::vector<QSize> found;
  if ((choice == SPA_CHOICE_Range || choice == SPA_CHOICE_Step) && count >= 3) {
    const QSize step = choice == SPA_CHOICE_Step && count >= 4 ? size(r[3]) : QSize(1, 1);
    found = commonSizesWithin(size(r[1]), size(r[2]), step);
  } else if (choice == SPA_CHOICE_Enum) {
    for (std::uint32_t i = count > 1 ? 1 : 0; i < count; ++i) found.push_back(size(r[i]));
  } else if (count >= 1) {
    found.push_back(size(r[0]));
  }
  for (const QSize& s : found)
    if (!s.isEmpty() && std::find(sizes.begin(), sizes.end(), s) == sizes.end()) sizes.push_back(s);
}

void addOffer(std::vector<FormatOffer>& offers, std::uint32_t fourcc, const spa_pod* size) {
  auto offer = std::find_if(offers.begin(), offers.end(), [&](const FormatOffer& o) { return o.fourcc == fourcc; });
  if (offer == offers.end()) offer = offers.insert(offers.end(), FormatOffer{fourcc, {}});
  if (size) addSizes(size, offer->sizes);
}

struct NodeQuery {
  std::vector<FormatOffer>* offers;
};

void onNodeParam(void* data, int, std::uint32_t id, std::uint32_t, std::uint32_t, const spa_pod* param) {
  if (id == SPA_PARAM_EnumFormat && param) addOffers(param, *static_cast<NodeQuery*>(data)->offers);
}

}  // namespace

// The registry announces a node with a few of its properties only; the
// device path of a V4L2 camera (api.v4l2.path) comes with its info.
struct Session::Bound {
  Session* session;
  std::uint32_t id;
  pw_proxy* proxy;
  spa_hook hook{};
  pw_node_events events{};
  bool answered = false;
  ~Bound() {
    spa_hook_remove(&hook);
    pw_proxy_destroy(proxy);
  }
};

struct Session::Hooks {
  spa_hook core{};
  spa_hook registry{};
  pw_core_events coreEvents{};
  pw_registry_events registryEvents{};
};

std::uint32_t fourccOfRawFormat(std::uint32_t spaFormat) {
  for (const FormatPair& p : kRawFormats)
    if (p.spa == spaFormat) return p.fourcc;
  return 0;
}

std::uint32_t rawFormatOfFourcc(std::uint32_t fourcc) {
  for (const FormatPair& p : kRawFormats)
    if (p.fourcc == fourcc) return p.spa;
  return SPA_VIDEO_FORMAT_UNKNOWN;
}

const std::vector<std::uint32_t>& rawFormats() {
  static const std::vector<std::uint32_t> all = [] {
    std::vector<std::uint32_t> formats;
    for (const FormatPair& p : kRawFormats) formats.push_back(p.spa);
    return formats;
  }();
  return all;
}

void addOffers(const spa_pod* param, std::vector<FormatOffer>& offers) {
  std::uint32_t mediaType = 0, subtype = 0;
  if (spa_format_parse(param, &mediaType, &subtype) < 0 || mediaType != SPA_MEDIA_TYPE_video) return;
  const auto* object = reinterpret_cast<const spa_pod_object*>(param);
  const spa_pod_prop* sizeProp = spa_pod_object_find_prop(object, nullptr, SPA_FORMAT_VIDEO_size);
  const spa_pod* size = sizeProp ? &sizeProp->value : nullptr;
  if (subtype == SPA_MEDIA_SUBTYPE_mjpg) {
    addOffer(offers, kMjpeg, size);
    return;
  }
  const spa_pod_prop* formatProp = spa_pod_object_find_prop(object, nullptr, SPA_FORMAT_VIDEO_format);
  if (subtype != SPA_MEDIA_SUBTYPE_raw || !formatProp) return;
  std::uint32_t count = 0, choice = 0;
  const spa_pod* values = spa_pod_get_values(&formatProp->value, &count, &choice);
  if (values->type != SPA_TYPE_Id || values->size < sizeof(std::uint32_t)) return;
  const auto* ids = static_cast<const std::uint32_t*>(SPA_POD_BODY_CONST(values));
  for (std::uint32_t i = choice == SPA_CHOICE_Enum && count > 1 ? 1 : 0; i < count; ++i)
    if (const std::uint32_t fourcc = fourccOfRawFormat(ids[i])) addOffer(offers, fourcc, size);
}

std::unique_ptr<Session> Session::connect(int fd) {
  static const bool initialised = [] {
    pw_init(nullptr, nullptr);
    return true;
  }();
  (void)initialised;
  std::unique_ptr<Session> session(new Session);
  if (!session->open(fd) || !session->roundtrip()) return nullptr;
  return session;
}

bool Session::open(int fd) {
  loop_ = pw_loop_new(nullptr);
  if (!loop_) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  // Entered for the session's whole life: while it is not, the library's
  // data thread runs our stream callbacks itself instead of queueing them
  // for this thread.
  pw_loop_enter(loop_);
  context_ = pw_context_new(loop_, nullptr, 0);
  if (!context_) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  // pw_context_connect_fd owns the descriptor from here on, also on failure.
  core_ = fd >= 0 ? pw_context_connect_fd(context_, fd, nullptr, 0) : pw_context_connect(context_, nullptr, 0);
  if (!core_) return false;
  connected_ = true;

  hooks_ = std::make_unique<Hooks>();
  hooks_->coreEvents.version = PW_VERSION_CORE_EVENTS;
  hooks_->coreEvents.done = &Session::onDone;
  hooks_->coreEvents.error = &Session::onError;
  pw_core_add_listener(core_, &hooks_->core, &hooks_->coreEvents, this);
  registry_ = pw_core_get_registry(core_, PW_VERSION_REGISTRY, 0);
  hooks_->registryEvents.version = PW_VERSION_REGISTRY_EVENTS;
  hooks_->registryEvents.global = &Session::onGlobal;
  hooks_->registryEvents.global_remove = &Session::onGlobalRemove;
  pw_registry_add_listener(registry_, &hooks_->registry, &hooks_->registryEvents, this);

  notifier_ = std::make_unique<QSocketNotifier>(pw_loop_get_fd(loop_), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, &context, [this] { dispatch(); });
  return true;
}

Session::~Session() {
  // A session still open at exit ends after the application object: its
  // notifier can no longer be unregistered then, and is left to the exit.
  if (!QCoreApplication::instance()) (void)notifier_.release();
  notifier_.reset();
  bound_.clear();
  if (registry_) {
    spa_hook_remove(&hooks_->registry);
    pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
  }
  if (core_) {
    if (hooks_) spa_hook_remove(&hooks_->core);
    pw_core_disconnect(core_);
  }
  if (context_) pw_context_destroy(context_);
  if (loop_) {
    pw_loop_leave(loop_);
    pw_loop_destroy(loop_);
  }
}

std::optional<NodeInfo> Session::find(const QString& name) const {
  for (const NodeInfo& node : nodes_)
    if (node.name == name) return node;
  return std::nullopt;
}

bool Session::roundtrip() {
  if (!connected_) return false;
  // Nodes announced meanwhile are bound, so their info is awaited as well.
  const auto answered = [this](int seq) {
    return runUntil([this, seq] { return lastDone_ == seq; }, kAnswerWaitMs);
  };
  if (!answered(pw_core_sync(core_, PW_ID_CORE, 0))) return false;
  return awaitedInfo_ == 0 || answered(pw_core_sync(core_, PW_ID_CORE, 0));
}

bool Session::runUntil(const std::function<bool()>& done, int waitMs) {
  QElapsedTimer waited;
  waited.start();
  while (connected_ && !done() && waited.elapsed() < waitMs) pw_loop_iterate(loop_, 50);
  // What arrived meanwhile is handed on once the caller is done.
  deliverSoon();
  return connected_ && done();
}

std::vector<FormatOffer> Session::formats(std::uint32_t nodeId) {
  std::vector<FormatOffer> offers;
  if (!connected_) return offers;
  auto* node = static_cast<pw_node*>(pw_registry_bind(registry_, nodeId, PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0));
  if (!node) return offers;
  NodeQuery query{&offers};
  pw_node_events events{};
  events.version = PW_VERSION_NODE_EVENTS;
  events.param = &onNodeParam;
  spa_hook hook{};
  pw_node_add_listener(node, &hook, &events, &query);
  pw_node_enum_params(node, 0, SPA_PARAM_EnumFormat, 0, UINT32_MAX, nullptr);
  roundtrip();
  spa_hook_remove(&hook);
  pw_proxy_destroy(reinterpret_cast<pw_proxy*>(node));
  return offers;
}

void Session::addClient(SessionClient* client) { clients_.push_back(client); }

void Session::removeClient(SessionClient* client) { std::erase(clients_, client); }

void Session::dispatch() {
  pw_loop_iterate(loop_, 0);
  // A closed connection keeps its socket readable: stop listening to it.
  if (!connected_) notifier_->setEnabled(false);
  deliver();
}

void Session::deliverSoon() {
  if (deliveryQueued_) return;
  deliveryQueued_ = true;
  QTimer::singleShot(0, &context, [this] { deliver(); });
}

void Session::deliver() {
  deliveryQueued_ = false;
  // A client may remove itself (or another) while it is told.
  const std::vector<SessionClient*> clients = clients_;
  for (SessionClient* client : clients)
    if (std::find(clients_.begin(), clients_.end(), client) != clients_.end()) client->afterDispatch();
}

void Session::onGlobal(void* data, std::uint32_t id, std::uint32_t, const char* type, std::uint32_t,
                       const spa_dict* props) {
  auto* self = static_cast<Session*>(data);
  if (std::string_view(type) != PW_TYPE_INTERFACE_Node) return;
  if (text(props, PW_KEY_MEDIA_CLASS) != QLatin1String("Video/Source")) return;
  NodeInfo node;
  node.id = id;
  node.name = text(props, PW_KEY_NODE_NAME);
  node.description = text(props, PW_KEY_NODE_DESCRIPTION);
  if (node.description.isEmpty()) node.description = text(props, PW_KEY_NODE_NICK);
  node.camera = text(props, PW_KEY_MEDIA_ROLE) == QLatin1String("Camera");
  node.devicePath = devicePathOf(props);
  if (node.name.isEmpty()) return;  // nothing to find it by again
  self->nodes_.push_back(node);
  if (node.devicePath.isEmpty()) self->bind(id);
}

void Session::bind(std::uint32_t id) {
  auto* proxy = static_cast<pw_proxy*>(pw_registry_bind(registry_, id, PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0));
  if (!proxy) return;
  auto bound = std::make_unique<Bound>();
  bound->session = this;
  bound->id = id;
  bound->proxy = proxy;
  bound->events.version = PW_VERSION_NODE_EVENTS;
  bound->events.info = &Session::onNodeInfo;
  pw_node_add_listener(reinterpret_cast<pw_node*>(proxy), &bound->hook, &bound->events, bound.get());
  ++awaitedInfo_;
  bound_.push_back(std::move(bound));
}

void Session::onNodeInfo(void* data, const pw_node_info* info) {
  auto* bound = static_cast<Bound*>(data);
  Session* self = bound->session;
  if (!bound->answered) {
    bound->answered = true;
    --self->awaitedInfo_;
  }
  for (NodeInfo& node : self->nodes_)
    if (node.id == bound->id && info && info->props) node.devicePath = devicePathOf(info->props);
}

void Session::onGlobalRemove(void* data, std::uint32_t id) {
  auto* self = static_cast<Session*>(data);
  std::erase_if(self->nodes_, [id](const NodeInfo& n) { return n.id == id; });
  std::erase_if(self->bound_, [self, id](const std::unique_ptr<Bound>& b) {
    if (b->id == id && !b->answered) --self->awaitedInfo_;
    return b->id == id;
  });
}

void Session::onDone(void* data, std::uint32_t id, int seq) {
  if (id == PW_ID_CORE) static_cast<Session*>(data)->lastDone_ = seq;
}

void Session::onError(void* data, std::uint32_t id, int, int res, const char*) {
  // The connection itself failed: the daemon ended or threw us out.
  if (id == PW_ID_CORE && res == -EPIPE) static_cast<Session*>(data)->connected_ = false;
}

}  // namespace capture::pw
