// The Modbus TCP value library and server, end to end on 127.0.0.1: against each other, against
// a server and a client from pymodbus, with refusals, lost connections and reconnection.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "brommet/ParameterCatalog.h"
#include "modbus/ModbusLibrary.h"
#include "modbus/ModbusServer.h"
#include "modbus/ModbusValueObject.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Property;
using ::testing::StartsWith;
using ::testing::Throws;

constexpr const char* kPython = "/usr/bin/python3";  // Debian's, with python3-pymodbus

std::string script(const char* name) {
  return std::string(KADRELLE_TEST_DIR) + "/" + name;
}

// A port nobody listens on now, from the system.
int freePort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), size);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  ::close(s);
  return ntohs(a.sin_port);
}

// A program run for the test, killed at the end if still running.
struct Child {
  explicit Child(std::vector<std::string> args) {
    pid = ::fork();
    if (pid == 0) {
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~Child() { kill(); }
  void kill() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
  }
  pid_t pid;
};

std::string output(const std::string& command) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  std::array<char, 256> buffer;
  while (p && std::fgets(buffer.data(), buffer.size(), p)) out += buffer.data();
  if (p) ::pclose(p);
  return out;
}

// A user-interface thread: pumps the dispatcher, waiting on its descriptor, until the condition
// holds or three seconds have passed.
struct Ui {
  bool until(const std::function<bool()>& done, double seconds = 3) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      pollfd p{dispatcher->fd(), POLLIN, 0};
      ::poll(&p, 1, 20);
      dispatcher->pump();
    }
    return true;
  }
  std::shared_ptr<Dispatcher> dispatcher = std::make_shared<Dispatcher>();
};

struct Events {
  explicit Events(ValueObject& o) {
    auto add = [this](const char* name) {
      return [this, name](const Variant& v) { seen.push_back(name + (" " + CStr(v))); };
    };
    c.push_back(o.Changed.connect(add("Changed")));
    c.push_back(o.ContentChanged.connect(add("ContentChanged")));
    c.push_back(o.UpdateError.connect([this](std::int32_t& code, std::string& what) {
      seen.push_back("UpdateError " + std::to_string(code) + " " + what);
    }));
  }
  bool has(const std::string& prefix) const {
    for (const auto& s : seen)
      if (s.rfind(prefix, 0) == 0) return true;
    return false;
  }
  std::vector<std::string> seen;
  std::vector<Connection> c;
};

// A drive of four parameters, one of each kind of register; `speedUpper` is the largest speed.
std::shared_ptr<const DriveDescription> drive(int speedUpper) {
  return DriveDescription::parse(
      R"({"format": "Kadrelle drive description", "version": 1, "parameters": [
      {"key": "S", "number": 1, "name": "Speed", "units": "RPM", "scale": 0.5, "step": 1,
       "range": [-1000, )" +
          std::to_string(speedUpper) + R"(], "register": {"address": 0, "type": "int32",
       "words": "low-first"}},
      {"key": "M", "number": 2, "name": "Current", "measured": true, "readOnly": true,
       "range": [-100, 100], "format": "0.0", "integral": false,
       "register": {"address": 2, "type": "int16", "scale": 0.1}},
      {"key": "N", "number": 3, "name": "Name", "type": "text", "maxLength": 4,
       "register": {"address": 3, "type": "string"}},
      {"key": "G", "number": 4, "name": "Gain", "driveRange": [0, 10], "integral": false,
       "register": {"address": 5, "type": "float32"}},
      {"key": "R", "number": 5, "name": "Refuser", "range": [0, 99],
       "register": {"address": 1000, "type": "uint16"}},
      {"key": "X", "number": 6, "name": "Beyond", "range": [0, 9],
       "register": {"address": 4000, "type": "uint16"}}]})",
      "test drive");
}

ModbusEndpoint local(int port) {
  return parseModbusAddress("modbus://127.0.0.1:" + std::to_string(port) + "?unit=1");
}

TEST(ModbusAddress, ReadsHostPortAndUnitAndRefusesTheRest) {
  auto e = parseModbusAddress("modbus://drive.local");
  EXPECT_EQ(std::tuple(e.host, e.port, e.unit, e.name()),
            std::tuple("drive.local", 502, 1, "drive.local:502"));
  e = parseModbusAddress("modbus://127.0.0.1:1502?unit=7");
  EXPECT_EQ(std::tuple(e.host, e.port, e.unit), std::tuple("127.0.0.1", 1502, 7));
  for (const char* bad :
       {"tcp://x", "modbus://", "modbus://x:http", "modbus://x?unit=300", "modbus://x?slave=1"})
    EXPECT_THROW(parseModbusAddress(bad), Error) << bad;
  EXPECT_THAT(
      [] { parseModbusAddress("modbus://x:0"); },
      Throws<Error>(Property(&Error::description,
                             HasSubstr("(the port must be 1 to 65535); expected modbus://"))));
}

// Work that fails does not stop the rest; the host hears of it from pump().
TEST(Dispatcher, RunsEveryPieceAndHandsTheFailureToTheHost) {
  Dispatcher d;
  int ran = 0;
  d.post([&] { ++ran, throw Error(7, "no"); });
  d.post([&] { ++ran; });
  d.post([] { throw std::runtime_error("again"); });
  EXPECT_THAT([&] { d.pump(); }, Throws<Error>(Property(&Error::description, "no (and 1 more)")));
  d.post([] { throw Error(5, "once"); });
  EXPECT_THAT([&] { d.pump(); }, Throws<Error>(Property(&Error::description, "once")));
  EXPECT_EQ(std::pair(ran, d.pump()), std::pair(2, std::size_t{0}));
}

// The library against the server: values both ways, scaled and in word order; a change on the
// drive reaches the box once; the drive's refusal; the server gone and back.
TEST(ModbusLibrary, WorksTheServedDriveAndSurvivesItsRestart) {
  auto server = std::make_unique<ModbusServer>(drive(1000));
  const int port = server->port();
  Ui ui;
  // The client believes speeds up to 2000 are fine; the drive does not.
  ModbusLibrary library(local(port), drive(2000), ui.dispatcher,
                        {.pollPeriod = std::chrono::milliseconds(20),
                         .timeout = std::chrono::milliseconds(500),
                         .maxBackoff = std::chrono::milliseconds(200)});
  int connectionChanges = 0;
  Connection cc = library.ConnectionChanged.connect([&] { ++connectionChanges; });
  server->setValue(1, 1600);  // 800 RPM
  auto speed = library.makeValueObject(1);
  auto current = library.makeValueObject(2);
  auto name = library.makeValueObject(3);
  Events speedEvents(*speed), currentEvents(*current), nameEvents(*name);
  ASSERT_TRUE(ui.until([&] { return speedEvents.has("ContentChanged"); }));
  EXPECT_TRUE(library.connected());
  EXPECT_EQ(speed->get_AppView()->get_TextValue(), "800");

  ASSERT_TRUE(ui.until([&] { return currentEvents.has("ContentChanged 0"); }));
  // A handler that fails is told so through the object's UpdateError.
  Connection fails = current->ContentChanged.connect([](const Variant&) { throw Error(7, "no"); });
  server->setValue(2, 12.3);
  ASSERT_TRUE(ui.until([&] { return currentEvents.has("ContentChanged 12.3"); }));
  ui.until([] { return false; }, 0.2);  // ten more polls: no change, no event
  EXPECT_EQ(currentEvents.seen, (std::vector<std::string>{"ContentChanged 0", "ContentChanged 12.3",
                                                          "UpdateError 7 no"}));

  speed->get_AppView()->put_TextValue("-750");
  speed->Commit();
  EXPECT_EQ(speed->get_AppView()->get_TextValue(), "-750");  // shown while being written
  ASSERT_TRUE(ui.until([&] { return speedEvents.has("Changed"); }));
  EXPECT_EQ(server->value(1), -1500);
  name->get_DriveView()->put_TextValue("Axe");
  name->Commit();
  ASSERT_TRUE(ui.until([&] { return nameEvents.has("Changed"); }));
  EXPECT_EQ(server->text(3), "Axe");
  speed->get_DriveView()->put_DriveValue(-1400);  // drive units: -700 RPM
  speed->Commit();
  ASSERT_TRUE(ui.until([&] { return server->value(1) == -1400; }));
  speed->get_AppView()->Step(Boolean(true), 1);  // with Shift: ten steps of 1 RPM
  ASSERT_TRUE(ui.until([&] { return server->value(1) == -1380; }));
  speed->get_AppView()->put_TextValue("fast");
  EXPECT_EQ(speed->get_AppView()->get_TextValue(), "fast");
  speed->Commit();
  EXPECT_EQ(speedEvents.seen.back(), "UpdateError 30004 Speed: \"fast\" is not a number");

  speedEvents.seen.clear();
  speed->get_AppView()->put_TextValue("1500");
  speed->Commit();
  ASSERT_TRUE(ui.until([&] { return speedEvents.has("UpdateError"); }));
  EXPECT_EQ(speedEvents.seen.at(1),
            "UpdateError 30110 Speed: the drive refused the value: illegal data value");
  ASSERT_TRUE(ui.until([&] { return speedEvents.seen.back() == "ContentChanged -690"; }));
  EXPECT_EQ(speed->get_AppView()->get_TextValue(), "-690");

  server.reset();
  ASSERT_TRUE(ui.until([&] { return !library.connected(); }));
  EXPECT_THAT(library.connectionProblem(), HasSubstr("drive 127.0.0.1:" + std::to_string(port)));
  speedEvents.seen.clear();
  speed->get_AppView()->put_TextValue("100");
  speed->Commit();
  ASSERT_TRUE(ui.until([&] { return speedEvents.has("UpdateError"); }));
  EXPECT_THAT(speedEvents.seen.at(1), AllOf(StartsWith("UpdateError 30111 Speed: "),
                                            HasSubstr("drive 127.0.0.1:" + std::to_string(port))));

  server = std::make_unique<ModbusServer>(drive(1000), port);
  server->setValue(1, 2);
  ASSERT_TRUE(ui.until([&] { return library.connected(); }));
  ASSERT_TRUE(ui.until([&] { return speed->get_AppView()->get_TextValue() == "1"; }));
  EXPECT_GE(connectionChanges, 3);
}

// The library against pymodbus's server: each register type, word order and scale as a drive
// description lays them out, a refused write, and the server killed with a write outstanding.
TEST(ModbusLibrary, ReadsAndWritesAPymodbusServer) {
  const int port = freePort();
  // -2 as int32 low word first; 12.5 as int16 at 0.1; "Hi"; 1.5 as float32 high word first.
  Child server({kPython, script("pymodbus_server.py"), std::to_string(port), "20",
                "0=65534,1=65535,2=125,3=18537,5=16320,6=0"});
  Ui ui;
  ModbusLibrary library(local(port), drive(40000), ui.dispatcher,
                        {.pollPeriod = std::chrono::milliseconds(20)});
  auto speed = library.makeValueObject(1);
  auto current = library.makeValueObject(2);
  auto name = library.makeValueObject(3);
  auto gain = library.makeValueObject(4);
  auto refuser = library.makeValueObject(5);
  ASSERT_TRUE(ui.until([&] { return gain->get_DriveView()->get_NumericValue() == 1.5; }, 10));
  int connectionChanges = 0;
  Connection cc = library.ConnectionChanged.connect([&] { ++connectionChanges; });
  auto beyond = library.makeValueObject(6);  // the server has no such register: it says so
  ui.until([] { return false; }, 0.3);
  EXPECT_EQ(std::tuple(library.connected(), connectionChanges), std::tuple(true, 0));
  EXPECT_EQ(std::tuple(speed->get_AppView()->get_NumericValue(),
                       current->get_AppView()->get_TextValue(), CStr(name->currentValue())),
            std::tuple(-1.0, "12.5", "Hi"));

  Events events(*speed);
  speed->get_AppView()->put_NumericValue(35000.5);
  speed->Commit();
  ASSERT_TRUE(ui.until([&] { return events.has("Changed"); }));
  EXPECT_EQ(output(std::string(kPython) + " " + script("pymodbus_client.py") + " " +
                   std::to_string(port) + " READ:0:2"),
            "4465 1\n");  // 70001 drive units, low word first

  Events refused(*refuser);
  refuser->get_AppView()->put_NumericValue(5);
  refuser->Commit();
  ASSERT_TRUE(ui.until([&] { return refused.has("UpdateError"); }));
  EXPECT_EQ(refused.seen.at(1),
            "UpdateError 30110 Refuser: the drive refused the value: device failure");

  ::kill(server.pid, SIGSTOP);  // the drive stops answering with the write on its way
  events.seen.clear();
  speed->get_AppView()->put_NumericValue(10);
  speed->Commit();
  server.kill();
  ASSERT_TRUE(ui.until([&] { return events.has("UpdateError"); }));
  EXPECT_THAT(events.seen.at(1), AllOf(StartsWith("UpdateError 30111 Speed: "),
                                       HasSubstr("127.0.0.1:" + std::to_string(port))));
  EXPECT_EQ(events.seen.back(), "ContentChanged 35000.5");  // what the drive held
}

// The server against pymodbus's client: the simulated drive's registers, writes it takes and the
// exceptions for those it refuses.
TEST(ModbusServer, ServesTheSimulatedDriveToAPymodbusClient) {
  ModbusServer server(DriveDescription::simulated());
  const auto& d = *DriveDescription::simulated();
  const auto at = [&](ParameterNumbers n) {
    return std::to_string(d.location(*d.indexOf(n))->address);
  };
  const std::string out =
      output(std::string(kPython) + " " + script("pymodbus_client.py") + " " +
             std::to_string(server.port()) + " READ:" + at(param::SpeedLimit) +
             ":2 WRITE:" + at(param::SpeedLimit) + ":0/1000 WRITE:" + at(param::SpeedLimit) +
             ":201/0 WRITE:" + at(param::EncoderResolution) +
             ":0/1 WRITE:" + at(param::SpeedLimit) + ":7 READ:" + at(param::DriveName) + ":3");
  EXPECT_EQ(out,
            "100 0\n"  // 6553600 counts/s, high word first
            "ok\n"
            "exception 3\n"         // 13107200 is the largest speed limit
            "exception 2\n"         // read-only
            "exception 2\n"         // half a 32-bit value
            "16760 26995 8241\n");  // "Axis 1"
  EXPECT_EQ(server.value(param::SpeedLimit), 1000);
}

}  // namespace
}  // namespace kadrelle
