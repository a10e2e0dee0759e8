#pragma once

#include <functional>
#include <mutex>
#include <vector>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Brings work done on other threads to the user-interface thread. Network threads post what
// their results mean for the controls; the host calls pump() from its own loop, which runs it
// there, in the order posted. The host learns that there is something to pump by watching fd()
// (readable then: Qt's QSocketNotifier, the terminal loop's poll()) or by pumping on a timer.
// post() never waits for the user-interface thread, and pump() never waits for the network.
class Dispatcher {
 public:
  Dispatcher();
  ~Dispatcher();
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  // Any thread.
  void post(std::function<void()> work);
  // The user-interface thread: runs what was posted so far; how many ran. A piece of work that
  // fails does not stop the rest: once all have run, the first failure is thrown on to the
  // host (an Error as asError makes it, naming how many more failed), which says it where its
  // user looks.
  std::size_t pump();
  // Readable while work waits to be pumped.
  int fd() const { return fd_; }

 private:
  std::mutex mutex_;
  std::vector<std::function<void()>> queue_;
  int fd_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
