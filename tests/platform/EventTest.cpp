#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Event.h"

namespace kadrelle {
namespace {

// The raise has a path for one handler and one for several; every behaviour is checked on both.
class EventTest : public testing::TestWithParam<int> {
 protected:
  int extraHandlers() const { return GetParam() - 1; }
};

// By-reference arguments reach the sender through every handler in connection order, each
// seeing what the one before wrote; by-value arguments are each handler's own; destroying a
// connection disconnects.
TEST_P(EventTest, ArgumentsAndConnectionLifetime) {
  Event<std::string&, std::string> event;
  std::vector<std::string> seen;
  const auto handler = [&](char mark) {
    return event.connect([&seen, mark](std::string& s, std::string v) {
      s += mark;
      seen.push_back(v);
      v = "changed";
    });
  };
  std::vector<Connection> keep;
  keep.push_back(handler('a'));
  for (int i = 0; i < extraHandlers(); ++i) keep.push_back(handler('b'));
  std::string s, value = "value";
  {
    Connection last = handler('c');
    event.raise(s, value);
  }
  event.raise(s, value);
  EXPECT_EQ(s, GetParam() == 1 ? "aca" : "abbcabb");
  EXPECT_EQ(value, "value");
  EXPECT_EQ(seen, std::vector<std::string>(2 * GetParam() + 1, "value"));
  keep.resize(1);
  EXPECT_TRUE(event.hasHandlers());
  keep.clear();
  EXPECT_FALSE(event.hasHandlers());
}

// Handlers connect new handlers and drop others (before or after their turn) and themselves while
// raises run, across many raises so the list is swept between them. Each raise must call, in
// connection order, exactly the handlers connected when it began that were not dropped before
// their turn.
TEST_P(EventTest, ConnectionsMadeAndDroppedInAnyOrderDuringRaises) {
  Event<> event;
  std::vector<Connection> conns;  // by handler id
  std::vector<bool> live;
  std::vector<int> start;  // the handlers connected when the current raise began
  std::size_t turn = 0;
  unsigned seed = 12345;
  auto next = [&](std::size_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  auto passTo = [&](int id) {  // every handler before `id` was dropped before its turn
    while (turn < start.size() && start[turn] != id) EXPECT_FALSE(live[start[turn++]]);
  };
  auto drop = [&](std::size_t id) {
    live[id] = false;
    conns[id].disconnect();
  };
  std::function<void()> add = [&] {
    const int id = static_cast<int>(conns.size());
    live.push_back(true);
    conns.push_back(event.connect([&, id] {
      passTo(id);
      ASSERT_LT(turn, start.size()) << "handler " << id << " called out of turn";
      EXPECT_TRUE(live[id]);
      ++turn;
      for (int k = 0; k < 2; ++k) {  // connect one, drop any, drop itself or do nothing
        const std::size_t action = next(4);
        if (action == 0) add();
        if (action == 1) drop(next(conns.size()));
        if (action == 2) drop(static_cast<std::size_t>(id));
      }
    }));
  };
  for (int i = 0; i < GetParam(); ++i) add();
  for (int round = 0; round < 60; ++round) {
    start.clear();
    for (std::size_t id = 0; id < live.size(); ++id)
      if (live[id]) start.push_back(static_cast<int>(id));
    turn = 0;
    event.raise();
    passTo(-1);
    if (!event.hasHandlers() || next(3) == 0) add();
  }
  EXPECT_GT(conns.size(), 30u);
}

TEST_P(EventTest, SenderDestroyedDuringRaise) {
  auto event = std::make_unique<Event<int>>();
  int calls = 0;
  std::vector<Connection> keep;
  keep.push_back(event->connect([&](int) {
    ++calls;
    event.reset();
  }));
  for (int i = 0; i < extraHandlers(); ++i) keep.push_back(event->connect([](int) {}));
  event->raise(1);
  EXPECT_EQ(event, nullptr);
  EXPECT_EQ(calls, 1);
  keep.clear();  // connections outliving their event disconnect harmlessly
}

INSTANTIATE_TEST_SUITE_P(Handlers, EventTest, testing::Values(1, 3),
                         [](const testing::TestParamInfo<int>& info) {
                           return info.param == 1 ? std::string("One") : std::string("Several");
                         });

TEST(Connection, MoveKeepsOneLiveHandle) {
  Event<> event;
  int calls = 0;
  Connection a = event.connect([&] { ++calls; });
  Connection b = std::move(a);
  EXPECT_FALSE(a.connected());  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_TRUE(b.connected());
  event.raise();
  EXPECT_EQ(calls, 1);
  Connection c = event.connect([&] { calls += 10; });
  b = std::move(c);  // the handler b held is disconnected
  event.raise();
  EXPECT_EQ(calls, 11);
  b.disconnect();
  b.disconnect();
  EXPECT_FALSE(event.hasHandlers());
}

// Nothing is called when no handler or only a dropped one is left; a handler connected after
// every other was dropped is the only one called, and the dropped one's handle cannot reach it.
TEST(Connection, EmptyRaiseAndEmptyConnection) {
  Event<int&> event;
  int n = 5;
  event.raise(n);
  EXPECT_FALSE(event.hasHandlers());
  Connection none;
  EXPECT_FALSE(none.connected());
  none.disconnect();
  Connection dropped = event.connect([](int& v) { v += 1; });
  dropped.disconnect();
  event.raise(n);
  EXPECT_EQ(n, 5);
  Connection again = event.connect([](int& v) { v += 10; });
  dropped.disconnect();
  event.raise(n);
  EXPECT_EQ(n, 15);
}

}  // namespace
}  // namespace kadrelle
