// One host bound to 100 drives served over Modbus TCP on 127.0.0.1, 13 live parameters each,
// polled at 10 Hz. The drives run in a child process (ModbusServer), which changes one parameter
// of each drive every half second and notes when; the host pumps its dispatcher as a
// user-interface loop would. Reported: the host's CPU share of one core, the time from a
// register change to the new text in the value object (p50, p99), and the memory each connected
// drive costs the host.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "modbus/ModbusLibrary.h"
#include "modbus/ModbusServer.h"
#include "modbus/ModbusValueObject.h"

namespace {

using namespace kadrelle;
using Clock = std::chrono::steady_clock;

constexpr int kDrives = 100;
constexpr int kLive = 13;
constexpr auto kPoll = std::chrono::milliseconds(100);
constexpr auto kMeasured = std::chrono::seconds(10);

// Shared with the child: its ports, and each drive's last change.
struct Shared {
  std::atomic<int> ports[kDrives];
  std::atomic<std::int64_t> changedAt[kDrives];  // steady clock, ns
  std::atomic<std::int32_t> value[kDrives];
  std::atomic<bool> ready;
};

std::shared_ptr<const DriveDescription> description() {
  std::string parameters;
  for (int i = 0; i < kLive; ++i) {
    parameters += std::string(i ? "," : "") + R"({"key": "M)" + std::to_string(i) +
                  R"(", "number": )" + std::to_string(i + 1) +
                  R"(, "name": "Live", "measured": true, "readOnly": true, "range": [-1e6, 1e6],
                  "register": {"address": )" +
                  std::to_string(2 * i) + R"(, "type": "int32"}})";
  }
  return DriveDescription::parse(
      R"({"format": "Kadrelle drive description", "version": 1, "parameters": [)" + parameters +
          "]}",
      "bench");
}

std::int64_t now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

// The drives: change drive d's first parameter at d * 5 ms past each half second.
[[noreturn]] void serveDrives(Shared& shared) {
  std::vector<std::unique_ptr<ModbusServer>> servers;
  for (int d = 0; d < kDrives; ++d) {
    servers.push_back(std::make_unique<ModbusServer>(description()));
    shared.ports[d] = servers.back()->port();
  }
  shared.ready = true;
  const auto start = Clock::now();
  for (int round = 1; Clock::now() - start < kMeasured + std::chrono::seconds(3); ++round) {
    for (int d = 0; d < kDrives; ++d) {
      std::this_thread::sleep_until(start + round * std::chrono::milliseconds(500) +
                                    d * std::chrono::milliseconds(5));
      shared.value[d] = round;
      shared.changedAt[d] = now();
      servers[static_cast<std::size_t>(d)]->setValue(1, round);
    }
  }
  std::_Exit(0);
}

long residentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void HundredDrivesPolledAt10Hz(benchmark::State& state) {
  auto* shared = static_cast<Shared*>(
      mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  new (shared) Shared{};
  const pid_t child = fork();
  if (child == 0) serveDrives(*shared);
  for (int i = 0; i < 500 && !shared->ready; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));

  auto dispatcher = std::make_shared<Dispatcher>();
  const auto drive = description();
  const long before = residentKb();
  std::vector<std::unique_ptr<ModbusLibrary>> drives;
  std::vector<std::shared_ptr<ModbusValueObject>> objects;
  std::vector<double> latencies;
  std::vector<Connection> connections;
  for (int d = 0; d < kDrives; ++d) {
    drives.push_back(
        std::make_unique<ModbusLibrary>(ModbusEndpoint{"127.0.0.1", shared->ports[d], 1}, drive,
                                        dispatcher, ModbusLink::Options{.pollPeriod = kPoll}));
    for (int p = 1; p <= kLive; ++p) objects.push_back(drives.back()->makeValueObject(p));
    auto first = objects[objects.size() - kLive];
    connections.push_back(first->ContentChanged.connect([&, d, first](const Variant&) {
      // The text a control would show, and how long the change took to reach it.
      const std::string text = first->get_AppView()->get_TextValue();
      if (text == std::to_string(shared->value[d].load()))
        latencies.push_back(static_cast<double>(now() - shared->changedAt[d]) / 1e6);
    }));
  }
  auto pumpFor = [&](std::chrono::nanoseconds span) {
    const auto end = Clock::now() + span;
    while (Clock::now() < end) {
      pollfd p{dispatcher->fd(), POLLIN, 0};
      ::poll(&p, 1, 50);
      dispatcher->pump();
    }
  };
  pumpFor(std::chrono::seconds(1));  // connected, first values read
  const long after = residentKb();

  for (auto _ : state) {
    latencies.clear();
    const double cpu = cpuSeconds();
    const auto start = Clock::now();
    pumpFor(kMeasured);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["host_cpu_percent"] = 100 * (cpuSeconds() - cpu) / wall;
  }
  std::sort(latencies.begin(), latencies.end());
  auto percentile = [&](double q) {
    return latencies.empty() ? -1.0
                             : latencies[static_cast<std::size_t>(q * (latencies.size() - 1))];
  };
  int connected = 0;
  for (auto& d : drives) connected += d->connected();
  state.counters["connected_drives"] = connected;
  state.counters["changes_seen"] = static_cast<double>(latencies.size());
  state.counters["latency_p50_ms"] = percentile(0.5);
  state.counters["latency_p99_ms"] = percentile(0.99);
  state.counters["kb_per_drive"] = static_cast<double>(after - before) / kDrives;
  connections.clear();
  objects.clear();
  drives.clear();
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  munmap(shared, sizeof(Shared));
}

BENCHMARK(HundredDrivesPolledAt10Hz)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
