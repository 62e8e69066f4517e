// Paints a timing chart's shapes with Qt: in the window, and into images
// for PNG. Needs Qt GUI only, so the command line can use it too.
#pragma once

#include <QByteArray>
#include <QImage>

#include "simulation/chart.h"

class QPainter;

namespace velkor {

void paintChart(QPainter& painter, const ChartPicture& picture);
// The picture on a white image of its size.
QImage chartImage(const ChartPicture& picture);
// That image as a PNG file's bytes; empty when it could not be made.
QByteArray chartPng(const ChartPicture& picture);

}  // namespace velkor
