#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kadrelle {

// A handle to one connected handler; destroying or resetting it disconnects the handler. Objects
// that listen to events hold their connections as members, so a destroyed listener receives
// nothing.
class Connection {
 public:
  Connection() = default;
  explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
  Connection(Connection&& other) noexcept : disconnect_(std::exchange(other.disconnect_, {})) {}
  Connection& operator=(Connection&& other) noexcept {
    if (this != &other) {
      disconnect();
      disconnect_ = std::exchange(other.disconnect_, {});
    }
    return *this;
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { disconnect(); }

  void disconnect() {
    if (auto d = std::exchange(disconnect_, {})) d();
  }
  bool connected() const { return static_cast<bool>(disconnect_); }

 private:
  std::function<void()> disconnect_;
};

// A synchronous event. Reference parameters reach every handler as the sender's own cells, so a
// handler that changes an argument changes what the sender sees when raise() returns. Handlers
// may connect, disconnect or destroy the sender while it is raising: a handler disconnected
// during a raise is not called afterwards, and one connected during a raise first hears the next.
template <class... Args>
class Event {
 public:
  using Handler = std::function<void(Args...)>;

  Event() = default;
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  [[nodiscard]] Connection connect(Handler handler) {
    auto slot = std::make_shared<Slot>(Slot{std::move(handler), true});
    auto& list = *slots_;
    std::erase_if(list, [](const auto& s) { return !s->connected; });
    list.push_back(slot);
    std::weak_ptr<Slot> weak = slot;
    return Connection([weak] {
      if (auto s = weak.lock()) s->connected = false;
    });
  }

  void raise(Args... args) const {
    if (slots_->empty()) return;
    if (slots_->size() == 1) {
      // The common case: one listener. Hold it so it survives its own disconnection.
      std::shared_ptr<Slot> only = slots_->front();
      if (only->connected) only->handler(std::forward<Args>(args)...);
      return;
    }
    std::vector<std::shared_ptr<Slot>> snapshot = *slots_;
    for (const auto& slot : snapshot) {
      if (slot->connected) slot->handler(args...);
    }
  }

  bool hasHandlers() const {
    for (const auto& s : *slots_)
      if (s->connected) return true;
    return false;
  }

 private:
  struct Slot {
    Handler handler;
    bool connected;
  };
  std::shared_ptr<std::vector<std::shared_ptr<Slot>>> slots_ =
      std::make_shared<std::vector<std::shared_ptr<Slot>>>();
};

}  // namespace kadrelle
