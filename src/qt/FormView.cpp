#include "qt/FormView.h"

#include "qt/KadrelleWidget.h"
#include "qt/QtToolkit.h"

namespace kadrelle::qt {

FormView::FormView(Form& form, QWidget* parent) : QWidget(parent), form_(form) {
  setAutoFillBackground(true);
  adopt();
}

void FormView::adopt() {
  QWidget* previous = nullptr;
  const double perTwip = pixelsPerTwip(this);
  for (std::size_t i = 0; i < form_.size(); ++i) {
    Kadrelle& control = form_.control(i);
    QWidget* surface = QtToolkit::widgetOf(control.children().surface);
    QWidget* edit = QtToolkit::widgetOf(control.children().editBox);
    if (i >= adopted_ && surface) {
      const Form::Placement p = form_.placement(i);
      surface->setParent(this);
      surface->move(toPixels(p.left, perTwip), toPixels(p.top, perTwip));
      surface->setObjectName(QString::fromStdString(form_.name(i)));
      surface->show();
      if (auto* box = dynamic_cast<QtEditBox*>(&control.children().editBox))
        box->setLockReason([&control] { return lockReason(control); });
    }
    if (previous && edit) setTabOrder(previous, edit);
    if (edit) previous = edit;
  }
  adopted_ = form_.size();
  updateGeometry();
}

QSize FormView::sizeHint() const {
  QRect bounds;
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    bounds |= child->geometry();
  return QSize(bounds.right() + 8, bounds.bottom() + 8);
}

QImage renderForm(Form& form) {
  FormView view(form);
  view.resize(view.sizeHint());
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.show();
  QImage image = view.grab().toImage();
  view.hide();
  // The controls stay with the form; the view gives them back before it goes.
  for (std::size_t i = 0; i < form.size(); ++i)
    if (QWidget* surface = QtToolkit::widgetOf(form.control(i).children().surface))
      surface->setParent(nullptr);
  return image;
}

}  // namespace kadrelle::qt
