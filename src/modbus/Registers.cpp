#include "modbus/Registers.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/Error.h"

namespace kadrelle {

namespace {

template <class T>
T held(double value) {
  value = std::round(value);
  return static_cast<T>(std::clamp(value, static_cast<double>(std::numeric_limits<T>::min()),
                                   static_cast<double>(std::numeric_limits<T>::max())));
}

std::vector<std::uint16_t> words(const RegisterLocation& at, std::uint32_t value) {
  const auto high = static_cast<std::uint16_t>(value >> 16),
             low = static_cast<std::uint16_t>(value);
  return at.lowWordFirst ? std::vector<std::uint16_t>{low, high}
                         : std::vector<std::uint16_t>{high, low};
}

std::uint32_t joined(const RegisterLocation& at, const std::uint16_t* r) {
  const std::uint32_t first = r[0], second = r[1];
  return at.lowWordFirst ? second << 16 | first : first << 16 | second;
}

}  // namespace

std::vector<std::uint16_t> encodeNumber(const RegisterLocation& at, double driveValue) {
  const double raw = driveValue / at.scale;
  switch (at.type) {
    case RegisterType::Int16:
      return {static_cast<std::uint16_t>(held<std::int16_t>(raw))};
    case RegisterType::Uint16:
      return {held<std::uint16_t>(raw)};
    case RegisterType::Int32:
      return words(at, static_cast<std::uint32_t>(held<std::int32_t>(raw)));
    case RegisterType::Uint32:
      return words(at, held<std::uint32_t>(raw));
    case RegisterType::Float32:
      return words(at, std::bit_cast<std::uint32_t>(static_cast<float>(raw)));
    case RegisterType::String:
      break;
  }
  return std::vector<std::uint16_t>(at.count, 0);
}

std::vector<std::uint16_t> encodeText(const RegisterLocation& at, std::string_view text) {
  std::vector<std::uint16_t> out(at.count, 0);
  for (std::size_t i = 0; i < text.size() && i / 2 < out.size(); ++i)
    out[i / 2] |=
        static_cast<std::uint16_t>(static_cast<unsigned char>(text[i]) << (i % 2 ? 0 : 8));
  return out;
}

double decodeNumber(const RegisterLocation& at, const std::uint16_t* r) {
  double raw = 0;
  switch (at.type) {
    case RegisterType::Int16:
      raw = static_cast<std::int16_t>(r[0]);
      break;
    case RegisterType::Uint16:
      raw = r[0];
      break;
    case RegisterType::Int32:
      raw = static_cast<std::int32_t>(joined(at, r));
      break;
    case RegisterType::Uint32:
      raw = joined(at, r);
      break;
    case RegisterType::Float32:
      raw = std::bit_cast<float>(joined(at, r));
      break;
    case RegisterType::String:
      break;
  }
  return raw * at.scale;
}

std::string decodeText(const RegisterLocation& at, const std::uint16_t* r) {
  std::string text;
  for (std::size_t i = 0; i < std::size_t{at.count} * 2; ++i) {
    const char c = static_cast<char>(i % 2 ? r[i / 2] & 0xFF : r[i / 2] >> 8);
    if (c == '\0') break;
    text.push_back(c);
  }
  return text;
}

ModbusEndpoint parseModbusAddress(std::string_view address) {
  const std::string given(address);
  auto bad = [&](const std::string& what) {
    return Error(Error::kInvalidCall, "\"" + given + "\" is not a Modbus drive address (" + what +
                                          "); expected modbus://HOST[:PORT][?unit=N]");
  };
  auto number = [&](std::string_view text, int lowest, int highest, const char* what) {
    int n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n < lowest || n > highest)
      throw bad(std::string(what) + " must be " + std::to_string(lowest) + " to " +
                std::to_string(highest));
    return n;
  };
  constexpr std::string_view kScheme = "modbus://";
  if (!address.starts_with(kScheme)) throw bad("it does not start with modbus://");
  address.remove_prefix(kScheme.size());
  ModbusEndpoint endpoint;
  if (auto q = address.find('?'); q != address.npos) {
    const std::string_view query = address.substr(q + 1);
    if (!query.starts_with("unit=")) throw bad("the only option is unit=N");
    endpoint.unit = number(query.substr(5), 0, 255, "the unit");
    address = address.substr(0, q);
  }
  if (auto colon = address.rfind(':'); colon != address.npos) {
    endpoint.port = number(address.substr(colon + 1), 1, 65535, "the port");
    address = address.substr(0, colon);
  }
  if (address.empty() || address.find_first_of(":/") != address.npos)
    throw bad("no host name or IPv4 address is given");
  endpoint.host = std::string(address);
  return endpoint;
}

}  // namespace kadrelle
