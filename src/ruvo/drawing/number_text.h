#pragma once
// Numbers as the profile writes them: a fixed number of decimals, then trailing zeros and a
// trailing point removed (12.50 -> "12.5", 7.00 -> "7").

#include <string>

namespace ruvo {

std::string FormatTrimmed(double value, int decimals = 2);

// Azimuth in degrees of the plan direction p->q, clockwise from north, as the profile's
// marks compute it (with pi taken as 3.14159).
double Azimuth(double px, double py, double qx, double qy);

// The azimuth mark's text: one decimal followed by the degree control code "%%d".
std::string AzimuthText(double degrees);

}  // namespace ruvo
