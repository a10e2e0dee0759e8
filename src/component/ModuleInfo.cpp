#include "component/ModuleInfo.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

namespace kadrelle::com {

ModuleInfo ModuleInfo::containing(const void* address) {
  ModuleInfo info;
  Dl_info dl{};
  if (dladdr(address, &dl) != 0 && dl.dli_fname) {
    char resolved[PATH_MAX];
    info.path = realpath(dl.dli_fname, resolved) ? resolved : dl.dli_fname;
  }
  return info;
}

std::string versionStr(const ModuleInfo& module) {
  const std::string& path = module.path;
  std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
  return std::to_string(module.version[0]) + "." + std::to_string(module.version[1]) + "." +
         std::to_string(module.version[3]) + "\r\n" + folder + "\\" + name;
}

}  // namespace kadrelle::com
