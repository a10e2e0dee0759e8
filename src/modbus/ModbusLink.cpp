#include "modbus/ModbusLink.h"

#include <modbus/modbus.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace kadrelle {

namespace {

modbus_t* ctx(void* context) {
  return static_cast<modbus_t*>(context);
}

std::string seconds(std::chrono::milliseconds t) {
  const auto ms = t.count();
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// The name of a Modbus exception as a person reads it.
const char* exceptionName(int code) {
  switch (code) {
    case MODBUS_EXCEPTION_ILLEGAL_FUNCTION:
      return "illegal function";
    case MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS:
      return "illegal data address";
    case MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE:
      return "illegal data value";
    case MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE:
      return "device failure";
    case MODBUS_EXCEPTION_ACKNOWLEDGE:
      return "acknowledged, still working";
    case MODBUS_EXCEPTION_SLAVE_OR_SERVER_BUSY:
      return "device busy";
    case MODBUS_EXCEPTION_MEMORY_PARITY:
      return "memory parity error";
    case MODBUS_EXCEPTION_GATEWAY_PATH:
      return "gateway path unavailable";
    case MODBUS_EXCEPTION_GATEWAY_TARGET:
      return "gateway target did not respond";
    default:
      return "exception";
  }
}

ModbusLink::Outcome connection(bool ok, std::string reason = {}) {
  ModbusLink::Outcome o;
  o.kind = ModbusLink::Outcome::Kind::Connection;
  o.ok = ok;
  o.reason = std::move(reason);
  return o;
}

ModbusLink::Outcome written(std::size_t index, std::uint64_t id, bool ok, bool fromDrive = false,
                            std::string reason = {}) {
  ModbusLink::Outcome o;
  o.kind = ModbusLink::Outcome::Kind::Written;
  o.index = index;
  o.write = id;
  o.ok = ok;
  o.fromDrive = fromDrive;
  o.reason = std::move(reason);
  return o;
}

}  // namespace

ModbusLink::ModbusLink(ModbusEndpoint endpoint, std::shared_ptr<const DriveDescription> description,
                       Options options, std::function<void(Outcome)> report)
    : endpoint_(std::move(endpoint)),
      description_(std::move(description)),
      options_(options),
      report_(std::move(report)) {
  // The thread takes no signals: they stay with the program's own threads.
  sigset_t all, before;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &before);
  thread_ = std::thread([this] { run(); });
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

ModbusLink::~ModbusLink() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  if (context_) {
    modbus_close(ctx(context_));
    modbus_free(ctx(context_));
  }
}

void ModbusLink::read(std::size_t index) {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back({false, index, {}, 0});
  }
  wake_.notify_all();
}

void ModbusLink::write(std::size_t index, std::vector<std::uint16_t> registers, std::uint64_t id) {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back({true, index, std::move(registers), id});
  }
  wake_.notify_all();
}

void ModbusLink::poll(std::vector<std::size_t> indices) {
  auto next = blocks(indices);
  std::lock_guard lock(mutex_);
  polled_ = std::move(next);
  polledChanged_ = true;
}

std::vector<ModbusLink::Block> ModbusLink::blocks(const std::vector<std::size_t>& indices) const {
  std::vector<std::size_t> placed;
  for (std::size_t i : indices)
    if (description_->location(i)) placed.push_back(i);
  std::sort(placed.begin(), placed.end(), [&](std::size_t a, std::size_t b) {
    return description_->location(a)->address < description_->location(b)->address;
  });
  placed.erase(std::unique(placed.begin(), placed.end()), placed.end());
  // Parameters whose registers follow each other are read together.
  std::vector<Block> out;
  for (std::size_t i : placed) {
    const RegisterLocation& at = *description_->location(i);
    if (!out.empty() && out.back().address + out.back().count == at.address &&
        out.back().count + at.count <= MODBUS_MAX_READ_REGISTERS) {
      out.back().count = static_cast<std::uint16_t>(out.back().count + at.count);
      out.back().indices.push_back(i);
      continue;
    }
    out.push_back({{i}, at.address, at.count});
  }
  return out;
}

bool ModbusLink::connect() {
  if (!context_) {
    context_ = modbus_new_tcp(endpoint_.host.c_str(), endpoint_.port);
    if (!context_) {
      problem_ = "drive " + endpoint_.name() + " cannot be reached: " + modbus_strerror(errno);
      report_(connection(false, problem_));
      return false;
    }
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(options_.timeout).count();
    modbus_set_response_timeout(ctx(context_), static_cast<std::uint32_t>(us / 1000000),
                                static_cast<std::uint32_t>(us % 1000000));
    modbus_set_slave(ctx(context_), endpoint_.unit);
  }
  if (modbus_connect(ctx(context_)) != 0) {
    const int error = errno;
    std::string reason = "drive " + endpoint_.name();
    if (error == ECONNREFUSED)
      reason += " refused the connection (is it running and serving Modbus TCP on that port?)";
    else if (error == ETIMEDOUT || error == EINPROGRESS)
      reason += " did not answer within " + seconds(options_.timeout);
    else
      reason += " cannot be reached: " + std::string(modbus_strerror(error));
    modbus_close(ctx(context_));
    problem_ = reason;
    report_(connection(false, reason));
    return false;
  }
  connected_ = true;
  report_(connection(true));
  return true;
}

void ModbusLink::disconnect(const std::string& reason) {
  modbus_close(ctx(context_));
  connected_ = false;
  report_(connection(false, reason));
}

std::string ModbusLink::failure(bool& fromDrive) const {
  const int error = errno;
  fromDrive = error > MODBUS_ENOBASE && error <= EMBXGTAR;
  if (fromDrive) return exceptionName(error - MODBUS_ENOBASE);
  if (error == ETIMEDOUT)
    return "drive " + endpoint_.name() + " did not answer within " + seconds(options_.timeout);
  return "the connection to drive " + endpoint_.name() + " was lost (" + modbus_strerror(error) +
         ")";
}

bool ModbusLink::readBlock(const Block& block, std::vector<std::uint16_t>* last) {
  Outcome outcome;
  outcome.registers.resize(block.count);
  if (modbus_read_registers(ctx(context_), block.address, block.count, outcome.registers.data()) ==
      block.count) {
    if (last && *last == outcome.registers) return true;  // nothing new for the controls
    if (last) *last = outcome.registers;
    outcome.indices = block.indices;
    outcome.address = block.address;
    report_(std::move(outcome));
    return true;
  }
  bool fromDrive = false;
  std::string reason = failure(fromDrive);
  if (fromDrive) return true;  // the drive keeps answering; the value stays unknown
  disconnect(reason);
  return false;
}

bool ModbusLink::perform(const Request& request) {
  const auto& at = description_->location(request.index);
  if (!at) return true;
  if (!request.write) return readBlock({{request.index}, at->address, at->count});
  const int count = static_cast<int>(request.registers.size());
  if (modbus_write_registers(ctx(context_), at->address, count, request.registers.data()) ==
      count) {
    report_(written(request.index, request.id, true));
    return true;
  }
  bool fromDrive = false;
  std::string reason = failure(fromDrive);
  report_(written(request.index, request.id, false, fromDrive,
                  fromDrive ? "the drive refused the value: " + reason : reason));
  if (fromDrive) return true;
  disconnect(reason);
  return false;
}

void ModbusLink::run() {
  using Clock = std::chrono::steady_clock;
  auto backoff = std::chrono::milliseconds(100);
  auto nextPoll = Clock::now();
  std::unique_lock lock(mutex_);
  while (!stop_) {
    if (!connected_) {
      lock.unlock();
      const bool up = connect();
      lock.lock();
      if (!up) {
        // What waits cannot be done now: writes fail at once, reads wait for the connection.
        std::deque<Request> waiting;
        for (auto& r : requests_) {
          if (!r.write) {
            waiting.push_back(std::move(r));
            continue;
          }
          report_(written(r.index, r.id, false, false, problem_));
        }
        requests_.swap(waiting);
        wake_.wait_for(lock, backoff, [this] { return stop_; });
        backoff = std::min(backoff * 2, options_.maxBackoff);
        continue;
      }
      backoff = std::chrono::milliseconds(100);
      polledLast_.clear();  // the drive may have changed while away
    }
    if (!requests_.empty()) {
      Request request = std::move(requests_.front());
      requests_.pop_front();
      lock.unlock();
      if (request.write) polledLast_.clear();  // what the drive then holds is reported
      perform(request);
      lock.lock();
      continue;
    }
    if (Clock::now() >= nextPoll) {
      const std::vector<Block> polled = polled_;
      if (std::exchange(polledChanged_, false)) polledLast_.clear();
      lock.unlock();
      polledLast_.resize(polled.size());
      for (std::size_t b = 0; b < polled.size(); ++b)
        if (!readBlock(polled[b], &polledLast_[b])) break;
      lock.lock();
      nextPoll += options_.pollPeriod;
      if (nextPoll < Clock::now()) nextPoll = Clock::now() + options_.pollPeriod;
      continue;
    }
    wake_.wait_until(lock, nextPoll, [this] { return stop_ || !requests_.empty(); });
  }
}

}  // namespace kadrelle
