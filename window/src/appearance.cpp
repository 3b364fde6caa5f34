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

void apply_window_font(QWidget& form) { form.setFont(ms_sans_serif(8.25)); }

void apply_look(QWidget& control, Look look) {
  switch (look) {
    case Look::plain:
      return;
    case Look::word_box:
      control.setFont(system_font());
      set_colour(control, QPalette::Base, QColor(255, 128, 128));
      return;
    case Look::divider_box:
      control.setFont(system_font());
      static_cast<QLineEdit&>(control).setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      return;
    case Look::frequency_box:
      control.setFont(terminal_font());
      set_colour(control, QPalette::Text, QColor(0, 0, 192));
      return;
    case Look::large_caption:
      control.setFont(ms_sans_serif(18));
      return;
    case Look::information_line:
      static_cast<QLabel&>(control).setWordWrap(false);
      return;
  }
}

}  // namespace window
