#include "component/ModuleLoader.h"

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <string>

#include "platform/Error.h"

namespace kadrelle::com {

namespace {

constexpr int kCannotCreate = 429;

std::map<std::string, void*>& loaded() {
  static std::map<std::string, void*> modules;
  return modules;
}

std::string codeText(HRESULT r) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(r));
  return buf;
}

// The Basic error a failed entry point stands for.
Error failure(HRESULT r, const std::string& what) {
  const auto code = static_cast<std::uint32_t>(r);
  int number =
      (code & 0xFFFF0000u) == 0x800A0000u ? static_cast<int>(code & 0xFFFF) : kCannotCreate;
  return Error(number, what + " failed (" + codeText(r) + ")");
}

// Loads the module from where the trust check found it (see trustedModulePath).
void* open(const std::string& path) {
  void* handle = dlopen(trustedModulePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    throw Error(48, "Error in loading DLL " + path + ": " + (why ? why : "unknown error"));
  }
  return handle;
}

template <class Fn>
Fn entry(void* handle, const std::string& path, const char* name) {
  void* f = dlsym(handle, name);
  if (!f) throw Error(453, "Can't find DLL entry point " + std::string(name) + " in " + path);
  return reinterpret_cast<Fn>(f);
}

void runServerEntry(const std::string& path, const char* name) {
  // The module writes the registry; say plainly when the file is not one to trust.
  checkTrusted(Registry::defaultPath(), true);
  void* handle = open(path);
  HRESULT r;
  try {
    r = entry<DllRegisterServerFn>(handle, path, name)();
  } catch (...) {
    dlclose(handle);
    throw;
  }
  dlclose(handle);
  if (!succeeded(r)) throw failure(r, std::string(name) + " of " + path);
}

}  // namespace

void registerServer(const std::string& modulePath) {
  runServerEntry(modulePath, "DllRegisterServer");
}

void unregisterServer(const std::string& modulePath) {
  runServerEntry(modulePath, "DllUnregisterServer");
}

ComPtr<IUnknown> createObject(const Registry& registry, std::string_view progId,
                              const ControlSite& site, const Guid& iid) {
  const Registry::ClassEntry found = registry.findClass(progId);
  auto& modules = loaded();
  auto it = modules.find(found.module);
  if (it == modules.end()) it = modules.emplace(found.module, open(found.module)).first;
  auto getClassObject = entry<DllGetClassObjectFn>(it->second, found.module, "DllGetClassObject");
  ComPtr<IClassFactory> factory;
  HRESULT r = getClassObject(&found.clsid, &IID_IClassFactory, factory.out());
  if (!succeeded(r)) throw failure(r, "DllGetClassObject of " + found.module);
  ComPtr<IUnknown> object;
  r = factory->CreateInstance(nullptr, &site, iid, object.out());
  if (!succeeded(r)) throw failure(r, "Creating " + std::string(progId));
  return object;
}

int unloadUnusedModules() {
  int count = 0;
  auto& modules = loaded();
  for (auto it = modules.begin(); it != modules.end();) {
    auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(dlsym(it->second, "DllCanUnloadNow"));
    if (canUnload && canUnload() == S_OK) {
      dlclose(it->second);
      it = modules.erase(it);
      ++count;
    } else {
      ++it;
    }
  }
  return count;
}

int loadedModules() {
  return static_cast<int>(loaded().size());
}

}  // namespace kadrelle::com
