#include "plot_formats.hpp"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace app {

// Both formats the options take are written.
void check_plot_format(const cli::Plot&) {}

std::optional<std::string> plot_file_contents(const std::string& svg, cli::PlotFormat format) {
  if (format == cli::PlotFormat::svg) return svg;
  QSvgRenderer renderer(QByteArray::fromStdString(svg));
  QImage image(renderer.defaultSize(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return std::nullopt;
  return png.toStdString();
}

}  // namespace app
