// Paints a timing chart's shapes with Qt: in the window, and into images
// for PNG. Needs Qt GUI only, so the command line can use it too.
#pragma once

#include <QImage>

#include "simulation/chart.h"

class QPainter;

namespace velkor {

void paintChart(QPainter& painter, const ChartPicture& picture);
// The picture on a white image of its size.
QImage chartImage(const ChartPicture& picture);

}  // namespace velkor
