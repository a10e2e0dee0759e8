#pragma once

#include <cstdlib>
#include <filesystem>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The user's folders, by the XDG base-directory rule: the variable when it names an absolute
// path, else the folder under $HOME, else the working folder. Settings, the component registry
// and the drive's files all find their place through these two.
inline std::filesystem::path userFolder(const char* variable, const char* underHome) {
  if (const char* xdg = std::getenv(variable); xdg && xdg[0] == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::filesystem::path(home) / underHome;
  return ".";
}

// $XDG_CONFIG_HOME, else ~/.config.
inline std::filesystem::path userConfigFolder() {
  return userFolder("XDG_CONFIG_HOME", ".config");
}

// $XDG_DATA_HOME, else ~/.local/share.
inline std::filesystem::path userDataFolder() {
  return userFolder("XDG_DATA_HOME", ".local/share");
}

}  // namespace kadrelle
#pragma GCC visibility pop
