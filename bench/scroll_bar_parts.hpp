#pragma once

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

// Where a part of a scroll bar (an arrow, the track, the thumb) is drawn, to click it.
inline QPoint centre_of(QScrollBar* bar, QStyle::SubControl part) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = bar->orientation();
  if (bar->orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = bar->sliderPosition();
  option.sliderValue = bar->value();
  option.singleStep = bar->singleStep();
  option.pageStep = bar->pageStep();
  return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
}
