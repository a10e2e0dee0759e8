#include "session/DrivePage.h"

#include "host/FormFile.h"

namespace kadrelle {

void loadDrivePage(Form& form) {
  FormFile::fromJson(std::string(drivePageText()), std::string(kDrivePageName), form);
}

void fillParameterPage(Form& form, std::span<const ParameterInfo> parameters) {
  float top = 0;
  for (const ParameterInfo& info : parameters) {  // the built-in page's rows
    Kadrelle& k = form.addNew(std::string(info.key), {90, top, 3510, 295});
    k.put_EditorPosition(1);
    k.put_EditorWidth(info.text ? 1620 : 900);
    k.put_Parameter(info.number);
    top += 480;
  }
}

}  // namespace kadrelle
