#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "brommet/DriveDescription.h"
#include "brommet/ServoDrive.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Serves a drive description over Modbus TCP (libmodbus), on a thread of its own: each parameter
// with registers as its description lays them out, in holding registers (read with function 3,
// written with 6 or 16). Every description is served by a running simulated drive (ServoDrive,
// advanced every 100 ms), its values starting at the description's defaults: the built-in one
// moves as the simulated drive does, another as far as it has the simulated drive's measured
// parameters.
//
// A write must cover whole parameters. A write to registers no parameter holds, or to a
// read-only parameter, is answered with the exception "illegal data address"; a value outside
// the parameter's range, or a text the drive cannot store, with "illegal data value"; a
// parameter the simulated drive accepts only while disabled, while enabled, with "device busy".
class ModbusServer {
 public:
  // Listens on the address (an IPv4 address; "127.0.0.1" by default) and the port (0: a free
  // one, see port()). A port that cannot be taken is error 75 with the system's reason.
  ModbusServer(std::shared_ptr<const DriveDescription> description, int port = 0,
               const std::string& address = "127.0.0.1");
  // Stops serving and closes every connection.
  ~ModbusServer();
  ModbusServer(const ModbusServer&) = delete;
  ModbusServer& operator=(const ModbusServer&) = delete;

  int port() const { return port_; }
  // The value the drive holds in drive units (texts: the text), and a change made by the drive
  // itself; any thread. An unknown number is error 5.
  double value(ParameterNumbers number) const;
  std::string text(ParameterNumbers number) const;
  void setValue(ParameterNumbers number, double driveValue);
  // Connections currently open.
  std::size_t clients() const;
  // Returns when the process is asked to stop (SIGINT, SIGTERM), for a program that only serves.
  static void waitForStop();

 private:
  void run();
  void serve(int client);
  // The registers of the parameter from the drive's value. With the lock held.
  void store(std::size_t index);
  // The exception a write of `count` registers from `address` earns, or 0; applies it if none.
  int write(int address, int count, const std::uint16_t* values);
  std::size_t indexOrThrow(ParameterNumbers number) const;

  const std::shared_ptr<const DriveDescription> description_;
  std::unique_ptr<ServoDrive> drive_;  // the drive served
  void* context_ = nullptr;
  void* mapping_ = nullptr;
  mutable std::mutex mutex_;
  int listener_ = -1;
  int port_ = 0;
  std::vector<int> clients_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
