#include "window/appearance.hpp"

#include <QFont>
#include <QLabel>
#include <QLineEdit>

namespace window {

namespace {

// The classic Windows fonts first; where the platform lacks them, a bold proportional
// ("System") or a bold fixed-pitch ("Terminal") font of the same size.
QFont system_font() {
  QFont font;
  font.setFamilies({"System", "Liberation Sans", "DejaVu Sans"});
  font.setStyleHint(QFont::SansSerif);
  font.setBold(true);
  font.setPointSizeF(9.75);
  return font;
}

QFont terminal_font() {
  QFont font;
  font.setFamilies({"Terminal", "Liberation Mono", "DejaVu Sans Mono"});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setBold(true);
  font.setPointSizeF(13.5);
  return font;
}

QFont ms_sans_serif(double points) {
  QFont font;
  font.setFamilies({"MS Sans Serif", "Liberation Sans", "DejaVu Sans"});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  return font;
}

void set_colour(QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(role, colour);
  widget.setPalette(palette);
}

}  // namespace

void apply_appearance(QWidget& form) {
  // The window's default font, which every other control inherits.
  form.setFont(ms_sans_serif(8.25));

  const QColor word_background(255, 128, 128);
  for (const char* name : {"txtA", "txtB"}) {
    auto* box = form.findChild<QLineEdit*>(name);
    box->setFont(system_font());
    set_colour(*box, QPalette::Base, word_background);
  }
  auto* divider = form.findChild<QLineEdit*>("txtDiv");
  divider->setFont(system_font());
  divider->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  auto* frequency = form.findChild<QLineEdit*>("txtFM");
  frequency->setFont(terminal_font());
  set_colour(*frequency, QPalette::Text, QColor(0, 0, 192));

  form.findChild<QLabel*>("Label4")->setFont(ms_sans_serif(18));
}

}  // namespace window
