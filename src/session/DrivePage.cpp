#include "session/DrivePage.h"

#include <algorithm>

#include "host/FormFile.h"

namespace kadrelle {

void loadDrivePage(Form& form) {
  FormFile::fromJson(std::string(drivePageText()), std::string(kDrivePageName), form);
}

void fillParameterPage(Form& form, std::span<const ParameterInfo> parameters,
                       const ParameterPageLayout& layout, std::optional<ParameterGroup> group) {
  Form::Placement at = layout.firstRow;
  for (const ParameterInfo& info : parameters) {
    if (group && info.group != *group) continue;
    Kadrelle& k = form.addNew(std::string(info.key), at);
    if (layout.editorInFormFont) k.putref_Font(k.get_Font());
    k.put_EditorPosition(1);
    k.put_EditorWidth(info.text ? layout.textEditor : layout.numberEditor);
    k.put_Parameter(info.number);
    at.top += std::max(layout.rowPitch, k.children().surface.get_Height() + 60);
  }
}

}  // namespace kadrelle
