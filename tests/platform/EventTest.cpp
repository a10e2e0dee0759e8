#include <gtest/gtest.h>

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

TEST_P(EventTest, ByReferenceArgumentsReachTheSender) {
  Event<int&, std::string&> event;
  std::vector<Connection> keep;
  keep.push_back(event.connect([](int& n, std::string& s) {
    n += 1;
    s += "a";
  }));
  for (int i = 0; i < extraHandlers(); ++i)
    keep.push_back(event.connect([](int& n, std::string& s) {
      n *= 10;
      s += "b";
    }));
  int n = 1;
  std::string s;
  event.raise(n, s);
  // In connection order, each handler seeing what the one before wrote.
  int expected = 2;
  for (int i = 0; i < extraHandlers(); ++i) expected *= 10;
  EXPECT_EQ(n, expected);
  EXPECT_EQ(s, "a" + std::string(extraHandlers(), 'b'));
}

TEST_P(EventTest, ValueArgumentsAreEachHandlersOwn) {
  Event<std::string> event;
  std::vector<std::string> seen;
  std::vector<Connection> keep;
  for (int i = 0; i <= extraHandlers(); ++i)
    keep.push_back(event.connect([&](std::string s) {
      seen.push_back(s);
      s = "changed";
    }));
  std::string arg = "value";
  event.raise(arg);
  EXPECT_EQ(arg, "value");
  EXPECT_EQ(seen, std::vector<std::string>(GetParam(), "value"));
}

TEST_P(EventTest, DestroyingTheConnectionDisconnects) {
  Event<> event;
  int calls = 0;
  std::vector<Connection> others;
  for (int i = 0; i < extraHandlers(); ++i) others.push_back(event.connect([] {}));
  {
    Connection c = event.connect([&] { ++calls; });
    event.raise();
    EXPECT_EQ(calls, 1);
  }
  event.raise();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(event.hasHandlers(), extraHandlers() > 0);
}

TEST_P(EventTest, HandlerDisconnectingItselfDuringRaise) {
  Event<> event;
  int calls = 0;
  Connection self;
  self = event.connect([&] {
    ++calls;
    self.disconnect();
  });
  std::vector<Connection> others;
  for (int i = 0; i < extraHandlers(); ++i) others.push_back(event.connect([] {}));
  event.raise();
  event.raise();
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(self.connected());
}

TEST_P(EventTest, HandlerDisconnectedByAnEarlierOneIsNotCalled) {
  Event<> event;
  std::vector<std::string> order;
  Connection later;
  Connection first = event.connect([&] {
    order.push_back("first");
    later.disconnect();
  });
  std::vector<Connection> others;
  for (int i = 0; i < extraHandlers(); ++i)
    others.push_back(event.connect([&] { order.push_back("other"); }));
  later = event.connect([&] { order.push_back("later"); });
  event.raise();
  std::vector<std::string> expected{"first"};
  for (int i = 0; i < extraHandlers(); ++i) expected.push_back("other");
  EXPECT_EQ(order, expected);
}

TEST_P(EventTest, HandlerConnectedDuringRaiseHearsTheNextOne) {
  Event<> event;
  std::vector<std::string> order;
  Connection added;
  Connection first = event.connect([&] {
    order.push_back("first");
    if (!added.connected()) added = event.connect([&] { order.push_back("added"); });
  });
  std::vector<Connection> others;
  for (int i = 0; i < extraHandlers(); ++i)
    others.push_back(event.connect([&] { order.push_back("other"); }));
  event.raise();
  std::vector<std::string> expected{"first"};
  for (int i = 0; i < extraHandlers(); ++i) expected.push_back("other");
  EXPECT_EQ(order, expected);
  order.clear();
  event.raise();
  expected.push_back("added");
  EXPECT_EQ(order, expected);
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

TEST(Connection, EmptyRaiseAndEmptyConnection) {
  Event<int&> event;
  int n = 5;
  event.raise(n);
  EXPECT_EQ(n, 5);
  EXPECT_FALSE(event.hasHandlers());
  Connection none;
  EXPECT_FALSE(none.connected());
  none.disconnect();
}

}  // namespace
}  // namespace kadrelle
