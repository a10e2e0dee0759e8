#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

class Connection;

namespace detail {
// What an event and the connection to one of its handlers share. The event (and every raise
// under way) own the handler; the connection only watches: it marks the handler dropped, and
// keeps the block's memory while the event is gone. The block goes when neither holds it.
class Link {
 public:
  Link() = default;
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  bool connected = true;
  bool watched = false;      // a Connection refers to this block
  bool owned = true;         // the event, or a raise under way, holds it
  bool onHeap = false;       // the handler lives in its own allocation
  bool firstUsed = false;    // (the event's own block) its first slot holds a handler
  std::uint16_t owners = 1;  // (the event's own block) the event and the raises under way

  // The connection lets go.
  void unwatch() noexcept {
    connected = false;
    watched = false;
    if (!owned) delete this;
  }
  // The owner lets go: the handler is destroyed now, the memory once no connection watches.
  void disown() noexcept {
    owned = false;
    release();
    if (!watched) delete this;
  }

 protected:
  virtual ~Link() = default;
  virtual void release() noexcept = 0;
};
}  // namespace detail

// A handle to one connected handler; destroying or resetting it disconnects the handler. Objects
// that listen to events hold their connections as members, so a destroyed listener receives
// nothing. A connection outliving its event disconnects harmlessly. One pointer wide.
class Connection {
 public:
  Connection() = default;
  explicit Connection(detail::Link* link) noexcept : link_(link) { link_->watched = true; }
  Connection(Connection&& other) noexcept : link_(std::exchange(other.link_, nullptr)) {}
  Connection& operator=(Connection&& other) noexcept {
    if (this != &other) {
      disconnect();
      link_ = std::exchange(other.link_, nullptr);
    }
    return *this;
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { disconnect(); }

  void disconnect() noexcept {
    if (detail::Link* link = std::exchange(link_, nullptr)) link->unwatch();
  }
  bool connected() const { return link_ != nullptr; }

 private:
  detail::Link* link_ = nullptr;
};

// A synchronous event. Reference parameters reach every handler as the sender's own cells, so a
// handler that changes an argument changes what the sender sees when raise() returns. Handlers
// may connect, disconnect or destroy the sender while it is raising: a handler disconnected
// during a raise is not called afterwards, and one connected during a raise first hears the next.
//
// An event is one pointer wide and holds nothing until its first handler, which lives in the one
// small allocation that holds the event's state (most events of a form have one handler each);
// later ones each in their own, listed in a vector made with the second. A handler of at most a
// pointer's size that is trivially copyable (a lambda capturing `this`) is kept in place, any
// other in a std::function of its own. Connecting appends a slot; disconnected slots are swept
// out only when the list has doubled since the last sweep and no raise is running, so connecting
// costs amortised constant time however many handlers come and go.
template <class... Args>
class Event {
 public:
  using Handler = std::function<void(Args...)>;

  Event() = default;
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  ~Event() {
    if (state_) state_->letGo();
  }

  template <class F>
  [[nodiscard]] Connection connect(F&& handler) {
    if (!state_) state_ = new State;
    State& st = *state_;
    const bool raising = st.owners > 1;
    if (!raising && st.more && st.more->slots.size() >= st.more->sweepAt) {
      std::erase_if(st.more->slots, [](Slot* s) {
        if (s->connected) return false;
        s->disown();
        return true;
      });
      st.more->sweepAt =
          std::max<std::uint32_t>(kFirstSweep, 2 * std::uint32_t(st.more->slots.size()));
    }
    // The first slot is kept in the state. It is taken again only while it is the whole list,
    // dropped, and no raise is running, so slots stay in connection order.
    if ((!st.more || st.more->slots.empty()) && !raising && !(st.firstUsed && st.connected)) {
      if (st.firstUsed) st.Slot::release();
      st.firstUsed = false;
      st.set(std::forward<F>(handler));
      st.firstUsed = true;
      st.connected = true;
      return Connection(&st);
    }
    if (!st.more) st.more = new More;
    std::unique_ptr<Slot, Disown> slot(new Slot);
    slot->set(std::forward<F>(handler));
    st.more->slots.push_back(slot.get());
    return Connection(slot.release());
  }

  void raise(Args... args) const {
    State* st = state_;
    if (!st) return;
    const std::size_t extra = st->more ? st->more->slots.size() : 0;
    const bool first = st->firstUsed;
    if (extra == 0 && !first) return;
    // Holding the state keeps the slots alive should a handler destroy the sender; slots are
    // never swept or reused while a raise runs, so the first `extra` stay where they are, and
    // any slot connected meanwhile lies beyond them.
    ++st->owners;
    struct Done {
      State* st;
      ~Done() { st->letGo(); }
    } done{st};
    if (extra == 0) {
      if (st->connected) st->call(std::forward<Args>(args)...);
      return;
    }
    if (first && st->connected) st->call(args...);
    for (std::size_t i = 0; i < extra; ++i) {
      Slot& slot = *st->more->slots[i];
      if (slot.connected) slot.call(args...);
    }
  }

  bool hasHandlers() const {
    if (!state_) return false;
    if (state_->firstUsed && state_->connected) return true;
    if (state_->more)
      for (const Slot* s : state_->more->slots)
        if (s->connected) return true;
    return false;
  }

 private:
  static constexpr std::uint32_t kFirstSweep = 8;

  // One handler: in place when small and trivially copyable, else a std::function on the heap.
  struct Slot : detail::Link {
    template <class F>
    void set(F&& f) {
      using D = std::decay_t<F>;
      if constexpr (sizeof(D) <= sizeof(void*) && alignof(D) <= alignof(void*) &&
                    std::is_trivially_copyable_v<D> && std::is_trivially_destructible_v<D>) {
        ::new (static_cast<void*>(&cell)) D(std::forward<F>(f));
        invoke = [](void* c, Args... a) {
          (*std::launder(static_cast<D*>(c)))(std::forward<Args>(a)...);
        };
        onHeap = false;
      } else {
        cell = new Handler(std::forward<F>(f));
        invoke = [](void* c, Args... a) {
          (**static_cast<Handler**>(c))(std::forward<Args>(a)...);
        };
        onHeap = true;
      }
    }
    template <class... A>
    void call(A&&... a) {
      invoke(&cell, std::forward<A>(a)...);
    }
    void release() noexcept override {
      if (onHeap) delete static_cast<Handler*>(cell);
      onHeap = false;
    }

    void (*invoke)(void*, Args...) = nullptr;
    void* cell = nullptr;  // the handler itself, or the std::function holding it
  };
  struct Disown {
    void operator()(Slot* s) const { s->disown(); }
  };
  struct More {
    std::vector<Slot*> slots;  // owned: each is disowned when swept or with the state
    std::uint32_t sweepAt = kFirstSweep;
  };
  struct State : Slot {
    void release() noexcept override {
      if (this->firstUsed) Slot::release();
      if (more)
        for (Slot* s : more->slots) s->disown();
      delete std::exchange(more, nullptr);
    }
    void letGo() noexcept {
      if (--this->owners == 0) this->disown();
    }
    More* more = nullptr;  // after first, once there are any
  };
  State* state_ = nullptr;
};

}  // namespace kadrelle
#pragma GCC visibility pop
