#pragma once

#include <QImage>
#include <QWidget>

#include "host/Form.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::qt {

// Shows the controls of a form made with the Qt toolkit, each at its placement (twips), in tab
// order; a control that takes no input says why in its tool tip. The form must outlive the view
// or be cleared with the view's controls; either may go first.
class FormView : public QWidget {
 public:
  explicit FormView(Form& form, QWidget* parent = nullptr);
  // Takes in the controls added to the form since the last call.
  void adopt();
  QSize sizeHint() const override;

 private:
  Form& form_;
  std::size_t adopted_ = 0;
};

// Draws a form offscreen, as it shows on a screen of the default DPI.
QImage renderForm(Form& form);

}  // namespace kadrelle::qt
#pragma GCC visibility pop
