#include "session/FormFiles.h"

#include "host/FormFile.h"
#include "platform/Error.h"
#include "platform/FileIo.h"

namespace kadrelle {

void FormFiles::load(const std::filesystem::path& file, Form& form) {
  std::string text = readFileCapped(file, kMaxFileSize);
  FormFile::fromJson(text, file.string(), form);
  known_[file] = std::move(text);
}

void FormFiles::save(Form& form, const std::filesystem::path& file) {
  const FileLock lock(file);
  if (const auto known = known_.find(file); known != known_.end()) {
    std::string now;
    try {
      now = readFileCapped(file, kMaxFileSize);
    } catch (const Error& e) {
      if (e.number() != Error::kFileNotFound) throw;
    }
    if (now != known->second)
      throw Error(Error::kFileAccess,
                  file.string() +
                      ": changed by another program since it was opened here; the form is not "
                      "saved over it (save it under another name)");
  }
  std::string text = FormFile::toJson(form);
  writeFileAtomically(file, text, true);
  form.markSaved();
  known_[file] = std::move(text);
}

}  // namespace kadrelle
