#pragma once

#include <string_view>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Where trace lines go. Each call carries one whole line, its CR LF included.
// Any member may fail by throwing Error (any other std::exception counts as error 5).
class DebugChannel {
 public:
  virtual ~DebugChannel() = default;
  virtual void Output(std::string_view line) = 0;
};

// Standard error, one write per line.
class StderrDebugChannel : public DebugChannel {
 public:
  void Output(std::string_view line) override;
};

}  // namespace kadrelle
#pragma GCC visibility pop
