#include "mqtt/desk_publisher.h"

namespace poolside {

namespace {

using namespace std::chrono_literals;

constexpr int kBatch = 256;

}  // namespace

DeskPublisher::DeskPublisher(DeskPublisherConfig config, std::unique_ptr<BrokerLink> link,
                             std::function<void(const std::string&)> report)
    : config_(std::move(config)),
      link_(std::move(link)),
      report_(std::move(report)),
      name_(BrokerName(config_.broker)),
      topics_(config_.prefix),
      queue_(config_.queueCapacity) {}

DeskPublisher::~DeskPublisher() { Stop(); }

bool DeskPublisher::Start(MqttOutbox::Sources sources, const std::string& statusBook,
                          std::string& error) {
  if (thread_.joinable()) return true;
  outbox_.emplace(topics_, config_.outboxCapacity, std::move(sources));
  outbox_->SetStatusBook(statusBook);
  BrokerSettings broker = config_.broker;
  broker.willTopic = topics_.Status();
  broker.willPayload = "offline";
  broker.subscriptions.clear();
  BrokerLink::Handlers handlers;
  handlers.connected = [this] { OnConnected(); };
  handlers.lost = [this](const std::string& why) { OnLost(why); };
  handlers.delivered = [this](int) {
    int n = inFlight_.load();
    while (n > 0 && !inFlight_.compare_exchange_weak(n, n - 1)) {
    }
    delivered_.fetch_add(1);
    if (n == static_cast<int>(config_.window)) Wake();
  };
  if (!link_->Start(broker, std::move(handlers), error)) {
    outbox_.reset();
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

void DeskPublisher::Stop(std::chrono::milliseconds grace) {
  if (!thread_.joinable()) return;
  stopGrace_ = grace;
  stopping_.store(true);
  Wake();
  thread_.join();
  link_->Stop();
  connected_.store(false);
}

void DeskPublisher::OnRaceEvent(const RaceEvent& event) {
  // Raw blocks change nothing that is published.
  if (std::holds_alternative<BlockRead>(event)) return;
  queue_.Push(event);
}

void DeskPublisher::Wake() { queue_.Push(std::nullopt); }

void DeskPublisher::OnConnected() {
  inFlight_.store(0);
  announce_.store(true);
  connected_.store(true);
  {
    std::lock_guard lock(reportMutex_);
    if (!everConnected_ || lostReported_) {
      report_("MQTT ブローカー " + name_ + " に接続しました (" + topics_.Prefix() + "/...)");
    }
    everConnected_ = true;
    lostReported_ = false;
  }
  Wake();
}

void DeskPublisher::OnLost(const std::string& why) {
  connected_.store(false);
  std::lock_guard lock(reportMutex_);
  if (lostReported_) return;
  lostReported_ = true;
  report_("MQTT ブローカー " + name_ + " に接続できません: " + why +
          " (計時は続けます。再接続を試み続けます)");
}

bool DeskPublisher::Send(const Publication& p) {
  if (!connected_.load() || inFlight_.load() >= static_cast<int>(config_.window)) return false;
  int id = 0;
  if (!link_->Publish(p.topic, p.payload, p.retain, id)) return false;
  inFlight_.fetch_add(1);
  return true;
}

void DeskPublisher::ReportDrops() {
  const std::size_t dropped = outbox_->Dropped();
  droppedMessages_.store(dropped);
  if (dropped == dropsReported_) return;
  report_("MQTT: ブローカーに届けられなかったイベント " + std::to_string(dropped - dropsReported_) +
          " 件を捨てました (古い順。保持できるのは " + std::to_string(config_.outboxCapacity) +
          " 件まで)");
  dropsReported_ = dropped;
}

void DeskPublisher::Run() {
  for (;;) {
    const bool busy = connected_.load() && !outbox_->Idle();
    auto item = queue_.Pop(busy ? 20ms : 500ms);
    for (int taken = 0; item && taken < kBatch; ++taken) {
      if (*item) outbox_->Take(**item);
      item = queue_.Pop(0ms);
    }
    if (item && *item) outbox_->Take(**item);
    const bool ending = stopping_.load() && queue_.Size() == 0;
    if (announce_.exchange(false)) {
      if (Send({topics_.Status(), "online", true})) {
        outbox_->Republish();
      } else {
        announce_.store(true);
      }
    }
    if (connected_.load()) {
      // Reported once the broker is back, so that the count is the whole
      // outage's.
      ReportDrops();
    }
    outbox_->Flush([this](const Publication& p) { return Send(p); });
    if (ending) break;
  }
  // The end: what waits goes out while the grace lasts, then "offline".
  const auto deadline = std::chrono::steady_clock::now() + stopGrace_;
  while (connected_.load() && (!outbox_->Idle() || inFlight_.load() > 0) &&
         std::chrono::steady_clock::now() < deadline) {
    outbox_->Flush([this](const Publication& p) { return Send(p); });
    std::this_thread::sleep_for(5ms);
  }
  ReportDrops();
  if (!outbox_->Idle()) {
    report_("MQTT: 終了時にブローカーへ送れなかったイベント " +
            std::to_string(outbox_->WaitingMessages()) + " 件があります");
  }
  if (connected_.load()) {
    int id = 0;
    if (link_->Publish(topics_.Status(), "offline", true, id)) inFlight_.fetch_add(1);
    const auto until = std::chrono::steady_clock::now() + 500ms;
    while (inFlight_.load() > 0 && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(5ms);
    }
  }
}

}  // namespace poolside
