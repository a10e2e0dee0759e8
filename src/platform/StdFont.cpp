#include "platform/StdFont.h"

#include <mutex>
#include <unordered_set>

namespace kadrelle {

const std::string& StdFont::internedName(std::string_view name) {
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  // Never destroyed: fonts of static objects may be read during the process's exit.
  static auto& names = *new std::unordered_set<std::string, Hash, std::equal_to<>>();
  static std::mutex guard;
  const std::lock_guard lock(guard);
  if (auto found = names.find(name); found != names.end()) return *found;
  return *names.emplace(name).first;
}

}  // namespace kadrelle
