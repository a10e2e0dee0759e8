#pragma once

#include <filesystem>
#include <string>

#include "host/Form.h"
#include "platform/MemoryPropertyBag.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Forms on disk: a JSON document naming the controls in tab order, each with its type, instance
// name, place and size in twips, and its saved settings in the order written:
//
//   { "format": "kadrelle-form", "version": 1,
//     "controls": [ { "type": "Kadrelle", "name": "Kadrelle1",
//                     "left": 120, "top": 240, "width": 3195, "height": 825,
//                     "properties": [ { "key": "EditorWidth", "type": "Single", "value": 37.5 },
//                                     { "key": "Font", "type": "Font",
//                                       "value": { "charset": 0, "name": "Arial", "size": 8.25,
//                                                  "bold": false, "italic": false,
//                                                  "weight": 400, "strikethrough": false,
//                                                  "underline": false } } ] } ] }
//
// Value types: Boolean (true/false), Integer (16-bit), Long (32-bit), Single, Double, Currency
// (a number with up to four decimal places), String, Font. Settings equal to their default are
// left out, as design-time hosts do. Every error names the file and the place in it.
namespace FormFile {

// Reads a form file into the form: each control is created and reads its settings. All or
// nothing: a file that cannot be read (53, 75), is malformed, holds a number outside its type's
// range, a setting the control does not know or a value the control refuses (321) adds no control
// and leaves the form as it was; the error names the file and the JSON path of the offending value
// ("f.json.controls[1].properties[0].value: the control refuses this value of \"Font\"").
void load(const std::filesystem::path& file, Form& form);

// Writes the form with writeFileAtomically (platform/FileIo.h): the file holds its complete old or
// new content whatever happens, and the previous file, if any, becomes "<name>.bak". Marks the
// form as saved.
void save(Form& form, const std::filesystem::path& file);

// The JSON text of a form, and a form's controls from JSON text ("where" names the source in
// error messages).
std::string toJson(Form& form);
void fromJson(const std::string& text, const std::string& where, Form& form);

}  // namespace FormFile

// A property bag that leaves out values equal to their default (fonts: same eight attributes).
class DesignTimeBag : public MemoryPropertyBag {
 public:
  void WriteProperty(const std::string& name, const Variant& value,
                     const Variant& defaultValue) override;
  // True when a value stands for its default although the two differ in type or identity.
  static bool CanLeaveOut(const Variant& value, const Variant& defaultValue);
};

}  // namespace kadrelle
#pragma GCC visibility pop
