#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "brommet/DriveDescription.h"
#include "modbus/Registers.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The network side of one Modbus TCP drive: a thread of its own that connects (again and again,
// waiting longer each time up to `maxBackoff`), reads and writes parameters on request, and polls
// the parameters it is told to poll every `pollPeriod`. Every outcome is handed to `report` on
// that thread; the library posts it on to the user-interface thread. Requests never wait. A poll
// that finds a block's registers as the last one did reports nothing (after a connection, a write
// or a change of what is polled, the next poll reports again).
class ModbusLink {
 public:
  struct Options {
    std::chrono::milliseconds pollPeriod{100};
    std::chrono::milliseconds timeout{1000};  // for an answer, and for a connection
    std::chrono::milliseconds maxBackoff{5000};
  };

  struct Outcome {
    enum class Kind { Read, Written, Connection };
    Kind kind = Kind::Read;
    std::size_t index = 0;                 // Written: the parameter
    std::vector<std::size_t> indices;      // Read: the parameters read
    std::uint16_t address = 0;             // Read: the address of the first register
    std::uint64_t write = 0;               // Written: the request's id
    bool ok = true;                        // Written and Connection: success / connected
    bool fromDrive = false;                // a failure the drive answered with (a Modbus exception)
    std::string reason;                    // a failure, as a person reads it
    std::vector<std::uint16_t> registers;  // Read: from `address` on
  };

  ModbusLink(ModbusEndpoint endpoint, std::shared_ptr<const DriveDescription> description,
             Options options, std::function<void(Outcome)> report);
  // Stops the thread, waiting at most for the call in progress (one timeout).
  ~ModbusLink();
  ModbusLink(const ModbusLink&) = delete;
  ModbusLink& operator=(const ModbusLink&) = delete;

  // Reads the parameter once (a parameter without registers is not read).
  void read(std::size_t index);
  // Writes the registers of the parameter in one request; the outcome carries `id`.
  void write(std::size_t index, std::vector<std::uint16_t> registers, std::uint64_t id);
  // The parameters to poll, in place of those given before.
  void poll(std::vector<std::size_t> indices);

  const ModbusEndpoint& endpoint() const { return endpoint_; }

 private:
  struct Request {
    bool write = false;
    std::size_t index = 0;
    std::vector<std::uint16_t> registers;
    std::uint64_t id = 0;
  };
  // Parameters read together: next to each other, at most 125 registers.
  struct Block {
    std::vector<std::size_t> indices;
    std::uint16_t address = 0;
    std::uint16_t count = 0;
  };

  void run();
  bool connect();
  void disconnect(const std::string& reason);
  // Carries out one request; false when the connection was lost.
  bool perform(const Request& request);
  // Reads the block and reports it; with `last`, only when the registers differ from `last`,
  // which then holds them.
  bool readBlock(const Block& block, std::vector<std::uint16_t>* last = nullptr);
  // The reason for the last failed call, and whether the drive answered it.
  std::string failure(bool& fromDrive) const;
  std::vector<Block> blocks(const std::vector<std::size_t>& indices) const;

  const ModbusEndpoint endpoint_;
  const std::shared_ptr<const DriveDescription> description_;
  const Options options_;
  const std::function<void(Outcome)> report_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Request> requests_;
  std::vector<Block> polled_;
  bool polledChanged_ = false;
  bool stop_ = false;

  void* context_ = nullptr;  // the libmodbus context, used on the thread only
  bool connected_ = false;
  std::string problem_;  // why the last connection attempt failed
  // What each polled block held when last reported; empty: report the next read. On the thread.
  std::vector<std::vector<std::uint16_t>> polledLast_;
  std::thread thread_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
