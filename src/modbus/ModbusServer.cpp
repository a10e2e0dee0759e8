#include "modbus/ModbusServer.h"

#include <arpa/inet.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "brommet/ValueText.h"
#include "modbus/Registers.h"
#include "platform/Error.h"

namespace kadrelle {

namespace {

modbus_t* ctx(void* c) {
  return static_cast<modbus_t*>(c);
}
modbus_mapping_t* map(void* m) {
  return static_cast<modbus_mapping_t*>(m);
}

}  // namespace

ModbusServer::ModbusServer(std::shared_ptr<const DriveDescription> description, int port,
                           const std::string& address)
    : description_(std::move(description)) {
  if (!description_) throw Error::objectNotSet();
  drive_ = std::make_unique<ServoDrive>(description_);
  int registers = 0;
  for (std::size_t i = 0; i < description_->size(); ++i)
    if (const auto& at = description_->location(i))
      registers = std::max(registers, at->address + at->count);
  context_ = modbus_new_tcp(address.c_str(), port);
  mapping_ = modbus_mapping_new(0, 0, std::max(registers, 1), 0);
  auto fail = [&](const std::string& what) {
    if (mapping_) modbus_mapping_free(map(mapping_));
    if (context_) modbus_free(ctx(context_));
    throw Error(Error::kFileAccess,
                "cannot serve Modbus TCP on " + address + ":" + std::to_string(port) + ": " + what);
  };
  if (!context_ || !mapping_) fail(modbus_strerror(errno));
  listener_ = modbus_tcp_listen(ctx(context_), 16);
  if (listener_ < 0) fail(modbus_strerror(errno));
  sockaddr_in bound{};
  socklen_t size = sizeof bound;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &size);
  port_ = ntohs(bound.sin_port);
  for (std::size_t i = 0; i < description_->size(); ++i) store(i);
  // The thread takes no signals: they stay with the program's own threads.
  sigset_t all, before;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &before);
  thread_ = std::thread([this] { run(); });
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

ModbusServer::~ModbusServer() {
  stop_ = true;
  thread_.join();
  for (int c : clients_) ::close(c);
  ::close(listener_);
  modbus_mapping_free(map(mapping_));
  modbus_free(ctx(context_));
}

std::size_t ModbusServer::indexOrThrow(ParameterNumbers number) const {
  auto index = description_->indexOf(number);
  if (!index)
    throw Error(Error::kInvalidCall, "the drive has no parameter " + std::to_string(number));
  return *index;
}

double ModbusServer::value(ParameterNumbers number) const {
  const std::size_t index = indexOrThrow(number);
  std::lock_guard lock(mutex_);
  return drive_->valueAt(index);
}

std::string ModbusServer::text(ParameterNumbers number) const {
  const std::size_t index = indexOrThrow(number);
  std::lock_guard lock(mutex_);
  return drive_->textAt(index);
}

void ModbusServer::setValue(ParameterNumbers number, double driveValue) {
  const std::size_t index = indexOrThrow(number);
  std::lock_guard lock(mutex_);
  drive_->setValue(number, driveValue);
  if (const auto& at = description_->location(index)) {
    const auto r = encodeNumber(*at, driveValue);
    std::copy(r.begin(), r.end(), map(mapping_)->tab_registers + at->address);
  }
}

void ModbusServer::waitForStop() {
  sigset_t stop, before;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, &before);
  int signal = 0;
  sigwait(&stop, &signal);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

std::size_t ModbusServer::clients() const {
  std::lock_guard lock(mutex_);
  return clients_.size();
}

void ModbusServer::store(std::size_t index) {
  const auto& at = description_->location(index);
  if (!at) return;
  const ParameterInfo& info = description_->parameters()[index];
  std::vector<std::uint16_t> r;
  if (info.text)
    r = encodeText(*at, drive_->textAt(index));
  else
    r = encodeNumber(*at, drive_->valueAt(index));
  std::copy(r.begin(), r.end(), map(mapping_)->tab_registers + at->address);
}

int ModbusServer::write(int address, int count, const std::uint16_t* values) {
  // The parameters the registers cover, each from its first register to its last.
  struct Part {
    std::size_t index;
    const RegisterLocation* at;
  };
  std::vector<Part> parts;
  for (int covered = address; covered < address + count;) {
    const Part* found = nullptr;
    Part part{};
    for (std::size_t i = 0; i < description_->size() && !found; ++i) {
      const auto& at = description_->location(i);
      if (at && at->address == covered) {
        part = {i, &*at};
        found = &part;
      }
    }
    if (!found || covered + part.at->count > address + count)
      return MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS;
    parts.push_back(part);
    covered += part.at->count;
  }
  for (const Part& p : parts) {
    const ParameterInfo& info = description_->parameters()[p.index];
    const std::uint16_t* r = values + (p.at->address - address);
    if (info.readOnly) return MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS;
    if (info.stopOnly && drive_->enabled()) return MODBUS_EXCEPTION_SLAVE_OR_SERVER_BUSY;
    if (info.text ? ServoDrive::checkText(info, decodeText(*p.at, r)).has_value()
                  : ServoDrive::checkValue(info, decodeNumber(*p.at, r), false).has_value())
      return MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
  }
  for (const Part& p : parts) {
    const ParameterInfo& info = description_->parameters()[p.index];
    const std::uint16_t* r = values + (p.at->address - address);
    if (info.text)
      drive_->setText(info.number, decodeText(*p.at, r));
    else
      drive_->setValue(info.number, decodeNumber(*p.at, r));
    std::copy(r, r + p.at->count, map(mapping_)->tab_registers + p.at->address);
  }
  return 0;
}

void ModbusServer::serve(int client) {
  std::uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
  modbus_set_socket(ctx(context_), client);
  const int length = modbus_receive(ctx(context_), query);
  if (length <= 0) {  // closed, or a request not understood: the connection ends
    ::close(client);
    std::lock_guard lock(mutex_);
    clients_.erase(std::find(clients_.begin(), clients_.end(), client));
    return;
  }
  const int header = modbus_get_header_length(ctx(context_));
  const int function = query[header];
  auto word = [&](int at) { return query[header + at] << 8 | query[header + at + 1]; };
  std::lock_guard lock(mutex_);
  int refused = 0;
  if (function == MODBUS_FC_WRITE_SINGLE_REGISTER) {
    const auto value = static_cast<std::uint16_t>(word(3));
    refused = write(word(1), 1, &value);
  } else if (function == MODBUS_FC_WRITE_MULTIPLE_REGISTERS) {
    const int count = word(3);
    std::vector<std::uint16_t> values(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count && header + 6 + 2 * i + 1 < length; ++i)
      values[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(word(6 + 2 * i));
    refused = count > 0 && count <= MODBUS_MAX_WRITE_REGISTERS
                  ? write(word(1), count, values.data())
                  : MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
  }
  if (refused)
    modbus_reply_exception(ctx(context_), query, static_cast<unsigned>(refused));
  else
    modbus_reply(ctx(context_), query, length, map(mapping_));
}

void ModbusServer::run() {
  using Clock = std::chrono::steady_clock;
  auto lastTick = Clock::now();
  while (!stop_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    int highest = listener_;
    std::vector<int> clients;
    {
      std::lock_guard lock(mutex_);
      clients = clients_;
    }
    for (int c : clients) {
      FD_SET(c, &readable);
      highest = std::max(highest, c);
    }
    timeval wait{0, 20000};  // so that stop_ and the simulation are seen
    const int ready = ::select(highest + 1, &readable, nullptr, nullptr, &wait);
    if (Clock::now() - lastTick >= std::chrono::milliseconds(100)) {
      const auto now = Clock::now();
      std::lock_guard lock(mutex_);
      drive_->tick(std::chrono::duration<double>(now - lastTick).count());
      lastTick = now;
      for (std::size_t i = 0; i < description_->size(); ++i)
        if (description_->parameters()[i].measured) store(i);
    }
    if (ready <= 0) continue;
    if (FD_ISSET(listener_, &readable)) {
      const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0 && client < FD_SETSIZE) {
        std::lock_guard lock(mutex_);
        clients_.push_back(client);
      } else if (client >= 0) {
        ::close(client);
      }
    }
    for (int c : clients)
      if (FD_ISSET(c, &readable)) serve(c);
  }
}

}  // namespace kadrelle
