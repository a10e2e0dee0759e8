// Value, InitializeValue, Text, ParamKey and Parameter.
#include "control/Kadrelle.h"
#include "platform/Error.h"

namespace kadrelle {

Variant Kadrelle::get_Value() {
  return editBox->get_Value();
}

void Kadrelle::put_Value(const Variant& newValue) {
  // The edit box raises Change for a written value, which commits it like a typed entry.
  editBox->put_Value(newValue);
  notify("Value");
}

Variant Kadrelle::get_InitializeValue() {
  return editBox->get_InitializeValue();
}

void Kadrelle::put_InitializeValue(const Variant& newValue) {
  // The text of the value is taken whether or not the line is written, so an empty font
  // reference fails here before the edit box is touched.
  Trace("newval=" + concatText(newValue), "InitializeValue", 4);
  editBox->put_InitializeValue(newValue);
  editBox->Refresh();
  notify("InitializeValue");
  Trace("done", "InitializeValue", 4);
}

std::string Kadrelle::get_Text() {
  return editBox->get_Text();
}

void Kadrelle::put_Text(const std::string& newText) {
  editBox->put_Text(newText);
  notify("Text");
}

std::string Kadrelle::get_ParamKey() {
  return m_ValueObjRef ? m_ValueObjRef->get_Key() : m_ParamKey.str();
}

void Kadrelle::put_ParamKey(const std::string& newKey) {
  m_ParamKey = newKey;
  notify("ParamKey");
}

ParameterNumbers Kadrelle::get_Parameter() {
  return m_Parameter;
}

void Kadrelle::put_Parameter(ParameterNumbers newNumber) {
  ApplyParameter(newNumber);
  notify("Parameter");
}

void Kadrelle::ApplyParameter(ParameterNumbers number) {
  ValueObjectRef lookup = m_site.values.createValueObject();
  m_Parameter = number;
  deref(lookup).put_ParameterNumber(number);
  put_ParamKey(number != 0 ? lookup->get_Key() : std::string());
}

}  // namespace kadrelle
