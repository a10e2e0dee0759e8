#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

namespace detail {
// What a Connection reaches of its handler: whether it is still connected.
struct SlotLink {
  bool connected = true;
};
}  // namespace detail

// A handle to one connected handler; destroying or resetting it disconnects the handler. Objects
// that listen to events hold their connections as members, so a destroyed listener receives
// nothing. A connection outliving its event disconnects harmlessly.
class Connection {
 public:
  Connection() = default;
  explicit Connection(std::weak_ptr<detail::SlotLink> slot)
      : slot_(std::move(slot)), active_(true) {}
  Connection(Connection&& other) noexcept
      : slot_(std::move(other.slot_)), active_(std::exchange(other.active_, false)) {}
  Connection& operator=(Connection&& other) noexcept {
    if (this != &other) {
      disconnect();
      slot_ = std::move(other.slot_);
      active_ = std::exchange(other.active_, false);
    }
    return *this;
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { disconnect(); }

  void disconnect() {
    if (!std::exchange(active_, false)) return;
    if (auto s = slot_.lock()) s->connected = false;
    slot_.reset();
  }
  bool connected() const { return active_; }

 private:
  std::weak_ptr<detail::SlotLink> slot_;
  bool active_ = false;
};

// A synchronous event. Reference parameters reach every handler as the sender's own cells, so a
// handler that changes an argument changes what the sender sees when raise() returns. Handlers
// may connect, disconnect or destroy the sender while it is raising: a handler disconnected
// during a raise is not called afterwards, and one connected during a raise first hears the next.
//
// An event with no handlers holds nothing; its first handler lives in the one allocation that
// holds the event's state (kept small: most events of a form have one handler each), later ones
// each in their own, listed in a vector made with the second. Connecting appends a slot;
// disconnected slots are swept out only when the list has doubled since the last sweep and no
// raise is running, so connecting costs amortised constant time however many handlers come and
// go.
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
    if (st.raising == 0 && st.more && st.more->size() >= st.sweepAt) {
      std::erase_if(*st.more, [](const auto& s) { return !s->connected; });
      st.sweepAt = std::max<std::uint32_t>(kFirstSweep, 2 * std::uint32_t(st.more->size()));
    }
    // The first slot is kept in the state. It is taken again only while it is the whole list,
    // dropped, and no raise is running, so slots stay in connection order.
    if ((!st.more || st.more->empty()) && st.raising == 0 &&
        !(st.firstUsed && st.first.connected)) {
      st.first.handler = std::move(handler);
      st.first.connected = true;
      st.firstUsed = true;
      return Connection(std::shared_ptr<detail::SlotLink>(state_, &st.first));
    }
    auto slot = std::make_shared<Slot>(std::move(handler));
    if (!st.more) st.more = std::make_unique<std::vector<std::shared_ptr<Slot>>>();
    st.more->push_back(slot);
    return Connection(std::move(slot));
  }

  void raise(Args... args) const {
    if (!state_) return;
    const std::size_t extra = state_->more ? state_->more->size() : 0;
    const bool first = state_->firstUsed;
    if (extra == 0 && !first) return;
    // Holding the state keeps the slots alive should a handler destroy the sender; slots are
    // never swept or reused while a raise runs, so the first `extra` stay where they are, and
    // any slot connected meanwhile lies beyond them.
    std::shared_ptr<State> hold = state_;
    ++hold->raising;
    struct Done {
      State& st;
      ~Done() { --st.raising; }
    } done{*hold};
    if (extra == 0) {
      if (hold->first.connected) hold->first.handler(std::forward<Args>(args)...);
      return;
    }
    if (first && hold->first.connected) hold->first.handler(args...);
    for (std::size_t i = 0; i < extra; ++i) {
      Slot& slot = *(*hold->more)[i];
      if (slot.connected) slot.handler(args...);
    }
  }

  bool hasHandlers() const {
    if (!state_) return false;
    if (state_->firstUsed && state_->first.connected) return true;
    if (state_->more)
      for (const auto& s : *state_->more)
        if (s->connected) return true;
    return false;
  }

 private:
  static constexpr std::uint32_t kFirstSweep = 8;
  struct Slot : detail::SlotLink {
    Slot() = default;
    explicit Slot(Handler h) : handler(std::move(h)) {}
    Handler handler;
  };
  struct State {
    Slot first;
    std::unique_ptr<std::vector<std::shared_ptr<Slot>>> more;  // after first, once there are any
    std::uint32_t sweepAt = kFirstSweep;
    std::int16_t raising = 0;
    bool firstUsed = false;
  };
  std::shared_ptr<State> state_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
