#include "ruvo/drawing/number_text.h"

#include <cmath>

#include "platform/geom/angle.h"
#include "platform/win/number_text.h"
#include "ruvo/section/text_format.h"

namespace ruvo {

std::string FormatTrimmed(double value, int decimals) {
  return win::formatTrimmed(value, decimals);
}

double Azimuth(double px, double py, double qx, double qy) {
  const double angle = geom::planAngle({px, py}, {qx, qy});
  return std::fmod(450.0 - angle * 180.0 / 3.14159, 360.0);
}

std::string AzimuthText(double degrees) {
  // With the shortened pi a leg due north comes out a hair under 360, which one decimal
  // would print as "360.0"; an azimuth reads 0.0 there.
  std::string text = FormatFixed(degrees, 1);
  if (text == "360.0") text = "0.0";
  return text + "%%d";
}

}  // namespace ruvo
