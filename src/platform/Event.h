#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#pragma GCC visibility push(default)  // what this header declares is public API
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
//
// An event with no handlers holds nothing. Connecting appends a slot; disconnected slots are
// swept out only when the list has doubled since the last sweep and no raise is running, so
// connecting costs amortised constant time however many handlers come and go.
template <class... Args>
class Event {
 public:
  using Handler = std::function<void(Args...)>;

  Event() = default;
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  [[nodiscard]] Connection connect(Handler handler) {
    if (!state_) state_ = std::make_shared<State>();
    State& st = *state_;
    if (st.raising == 0 && st.slots.size() >= st.sweepAt) {
      std::erase_if(st.slots, [](const auto& s) { return !s->connected; });
      st.sweepAt = std::max<std::size_t>(kFirstSweep, 2 * st.slots.size());
    }
    auto slot = std::make_shared<Slot>(Slot{std::move(handler), true});
    st.slots.push_back(slot);
    std::weak_ptr<Slot> weak = slot;
    return Connection([weak] {
      if (auto s = weak.lock()) s->connected = false;
    });
  }

  void raise(Args... args) const {
    if (!state_) return;
    const std::size_t count = state_->slots.size();
    if (count == 0) return;
    // Holding the state keeps the slots alive should a handler destroy the sender; slots are
    // never swept while a raise runs, so the first `count` stay where they are, and any slot
    // connected meanwhile lies beyond them.
    std::shared_ptr<State> hold = state_;
    ++hold->raising;
    struct Done {
      State& st;
      ~Done() { --st.raising; }
    } done{*hold};
    if (count == 1) {
      Slot& only = *hold->slots.front();
      if (only.connected) only.handler(std::forward<Args>(args)...);
      return;
    }
    for (std::size_t i = 0; i < count; ++i) {
      Slot& slot = *hold->slots[i];
      if (slot.connected) slot.handler(args...);
    }
  }

  bool hasHandlers() const {
    if (!state_) return false;
    for (const auto& s : state_->slots)
      if (s->connected) return true;
    return false;
  }

 private:
  static constexpr std::size_t kFirstSweep = 8;
  struct Slot {
    Handler handler;
    bool connected;
  };
  struct State {
    std::vector<std::shared_ptr<Slot>> slots;
    std::size_t sweepAt = kFirstSweep;
    int raising = 0;
  };
  std::shared_ptr<State> state_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
