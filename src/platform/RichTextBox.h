#pragma once

#include <string>

#include "platform/Boolean.h"
#include "platform/ChildControl.h"
#include "platform/OleColor.h"
#include "platform/RtfDocument.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A rich-text box showing one RTF document.
class RichTextBox : public ChildControl {
 public:
  // The document as last given. Valid until the document changes.
  virtual const std::string& get_TextRTF() const = 0;
  virtual void put_TextRTF(const std::string& rtf) = 0;
  // The plain text: one line per paragraph, lines joined by CR LF, no line break at the end.
  // Valid until the document changes.
  virtual const std::string& get_Text() const = 0;
  // The document as read, with its formatting runs, for renderers.
  virtual const RtfDocument& document() const = 0;

  virtual OleColor get_BackColor() const = 0;
  virtual void put_BackColor(OleColor color) = 0;
  virtual Boolean get_Enabled() const = 0;
  virtual void put_Enabled(Boolean enabled) = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
