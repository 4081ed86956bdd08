// The floor of the toolkit stack: a plain Qt Widgets window showing one label, with Corvane's
// first-paint hook and the same style choice.
#include <QApplication>
#include <QLabel>
#include <QStyleFactory>

#include "app/shell/first_paint_probe.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
  QLabel label(QStringLiteral("Corvane"));
  shell::FirstPaintProbe::Install(&label);
  label.show();
  return app.exec();
}
