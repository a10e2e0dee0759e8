#pragma once

#include <span>
#include <string_view>

#include "brommet/ParameterInfo.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The drive's parameter groups in the order programs show them, each with its name.
struct GroupName {
  ParameterGroup group;
  std::string_view name;
};
std::span<const GroupName> parameterGroups();
std::string_view groupName(ParameterGroup group);

}  // namespace kadrelle
#pragma GCC visibility pop
