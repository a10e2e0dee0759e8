#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "host/Form.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The form files a program opened and saved. A save of a file it read or wrote before holds the
// file's lock from the check to the write and is refused when another program has changed the
// file since, so no program writes its form over one another program saved; any other file is
// written over (FormFile::save, keeping "<file>.bak").
class FormFiles {
 public:
  // Reads a form file into the form (see FormFile::load).
  void load(const std::filesystem::path& file, Form& form);
  // Writes the form; the refusal above is error 75 naming the file and saying why.
  void save(Form& form, const std::filesystem::path& file);

  static constexpr std::uintmax_t kMaxFileSize = 16u << 20;

 private:
  std::map<std::filesystem::path, std::string> known_;  // the content last read or written
};

}  // namespace kadrelle
#pragma GCC visibility pop
