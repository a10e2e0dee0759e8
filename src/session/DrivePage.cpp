#include "session/DrivePage.h"

#include "host/FormFile.h"

namespace kadrelle {

void loadDrivePage(Form& form) {
  FormFile::fromJson(std::string(drivePageText()), std::string(kDrivePageName), form);
}

}  // namespace kadrelle
