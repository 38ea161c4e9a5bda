#include "mqtt/mosquitto/mosquitto_link.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>

#include "platform/file_system.h"

namespace poolside {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kFirstDelayMs = 500;
constexpr int kMaxDelayMs = 8000;
constexpr int kKeepAliveSeconds = 10;
constexpr auto kConnectTimeout = 10s;
constexpr int kMaxInflight = 256;

std::once_flag libraryReady;

std::string Why(int rc, int err) {
  if (rc == MOSQ_ERR_ERRNO && err != 0) return std::strerror(err);
  return mosquitto_strerror(rc);
}

std::string NewClientId() {
  std::random_device random;
  return "poolside-" + std::to_string(ProcessId()) + "-" + std::to_string(random() % 100000);
}

}  // namespace

MosquittoLink::MosquittoLink() = default;

MosquittoLink::~MosquittoLink() {
  Stop();
  if (mosq_) mosquitto_destroy(mosq_);
}

bool MosquittoLink::Start(const BrokerSettings& settings, Handlers handlers, std::string& error) {
  if (mosq_) return true;
  std::call_once(libraryReady, [] { mosquitto_lib_init(); });
  settings_ = settings;
  if (settings_.clientId.empty()) settings_.clientId = NewClientId();
  handlers_ = std::move(handlers);
  mosq_ = mosquitto_new(settings_.clientId.c_str(), !settings_.persistentSession, this);
  if (!mosq_) {
    error = "MQTT の接続を用意できません: " + std::string(std::strerror(errno));
    return false;
  }
  mosquitto_threaded_set(mosq_, true);
  mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  mosquitto_max_inflight_messages_set(mosq_, kMaxInflight);
  mosquitto_connect_callback_set(mosq_, &MosquittoLink::OnConnect);
  mosquitto_disconnect_callback_set(mosq_, &MosquittoLink::OnDisconnect);
  mosquitto_publish_callback_set(mosq_, &MosquittoLink::OnPublish);
  mosquitto_message_callback_set(mosq_, &MosquittoLink::OnMessage);
  mosquitto_subscribe_callback_set(mosq_, &MosquittoLink::OnSubscribe);
  auto fail = [&](const std::string& what, int rc) {
    error = what + ": " + mosquitto_strerror(rc);
    mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    return false;
  };
  if (!settings_.willTopic.empty()) {
    const int rc = mosquitto_will_set(mosq_, settings_.willTopic.c_str(),
                                      static_cast<int>(settings_.willPayload.size()),
                                      settings_.willPayload.data(), 1, true);
    if (rc != MOSQ_ERR_SUCCESS) return fail("MQTT の will を設定できません", rc);
  }
  if (settings_.credentials) {
    const int rc = mosquitto_username_pw_set(mosq_, settings_.credentials->user.c_str(),
                                             settings_.credentials->password.c_str());
    if (rc != MOSQ_ERR_SUCCESS) return fail("MQTT の認証情報を設定できません", rc);
  }
  if (!settings_.caFile.empty()) {
    const int rc =
        mosquitto_tls_set(mosq_, settings_.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      return fail("MQTT の CA ファイル " + settings_.caFile + " を使えません", rc);
    }
  }
  stopping_.store(false);
  thread_ = std::thread([this] { Run(); });
  return true;
}

bool MosquittoLink::Publish(const std::string& topic, const std::string& payload, bool retain,
                            int& id) {
  if (!mosq_ || !connected_.load()) return false;
  int mid = 0;
  const int rc = mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                   payload.data(), 1, retain);
  id = mid;
  return rc == MOSQ_ERR_SUCCESS;
}

void MosquittoLink::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_.store(true);
  }
  wake_.notify_all();
  thread_.join();
}

bool MosquittoLink::Pause(int ms) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping_.load(); });
  return !stopping_.load();
}

void MosquittoLink::Run() {
  int delay = kFirstDelayMs;
  while (!stopping_.load()) {
    refusal_.clear();
    accepted_.store(false);
    errno = 0;
    int rc =
        mosquitto_connect_async(mosq_, settings_.host.c_str(), settings_.port, kKeepAliveSeconds);
    int err = errno;
    const auto started = Clock::now();
    while (rc == MOSQ_ERR_SUCCESS && !stopping_.load()) {
      errno = 0;
      rc = mosquitto_loop(mosq_, 100, 1);
      err = errno;
      // Said only once the loop has handled the whole acceptance: the
      // library sends again what a lost connection left unacknowledged
      // first, and what is published from then on comes after it.
      if (rc == MOSQ_ERR_SUCCESS && accepted_.exchange(false)) {
        connected_.store(true);
        if (handlers_.connected) handlers_.connected();
      }
      if (rc == MOSQ_ERR_SUCCESS && !connected_.load() &&
          Clock::now() - started > kConnectTimeout) {
        rc = MOSQ_ERR_ERRNO;
        err = ETIMEDOUT;
      }
    }
    if (stopping_.load()) break;
    if (connected_.exchange(false)) delay = kFirstDelayMs;
    mosquitto_disconnect(mosq_);
    if (handlers_.lost) handlers_.lost(refusal_.empty() ? Why(rc, err) : refusal_);
    if (!Pause(delay)) break;
    delay = std::min(delay * 2, kMaxDelayMs);
  }
  if (connected_.exchange(false)) {
    // A clean end: the broker drops the will.
    mosquitto_disconnect(mosq_);
    for (int i = 0; i < 5 && mosquitto_loop(mosq_, 20, 1) == MOSQ_ERR_SUCCESS; ++i) {
    }
  }
}

void MosquittoLink::OnConnect(mosquitto*, void* self, int rc) {
  auto* link = static_cast<MosquittoLink*>(self);
  if (rc != 0) {
    link->refusal_ = std::string("ブローカーが接続を拒否しました: ") + mosquitto_connack_string(rc);
    return;
  }
  for (const std::string& pattern : link->settings_.subscriptions) {
    mosquitto_subscribe(link->mosq_, nullptr, pattern.c_str(), 1);
  }
  link->accepted_.store(true);
}

void MosquittoLink::OnDisconnect(mosquitto*, void*, int) {
  // The loop's return value says the same; handled in Run.
}

void MosquittoLink::OnPublish(mosquitto*, void* self, int mid) {
  auto* link = static_cast<MosquittoLink*>(self);
  if (link->handlers_.delivered) link->handlers_.delivered(mid);
}

void MosquittoLink::OnSubscribe(mosquitto*, void* self, int, int count, const int* granted) {
  auto* link = static_cast<MosquittoLink*>(self);
  // 0x80 in the SUBACK: the broker refused the subscription.
  for (int i = 0; i < count; ++i) {
    if (granted && granted[i] >= 0x80) return;
  }
  if (link->handlers_.subscribed) link->handlers_.subscribed();
}

void MosquittoLink::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* link = static_cast<MosquittoLink*>(self);
  if (!link->handlers_.message || !message || !message->topic) return;
  std::string payload;
  if (message->payload && message->payloadlen > 0) {
    payload.assign(static_cast<const char*>(message->payload),
                   static_cast<std::size_t>(message->payloadlen));
  }
  link->handlers_.message(message->topic, payload, message->retain);
}

}  // namespace poolside
