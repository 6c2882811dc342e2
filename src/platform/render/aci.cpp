#include "platform/render/aci.h"

#include <array>
#include <cmath>

namespace render {

namespace {

Rgb fromHsv(double hueDegrees, double saturation, double value) {
  const double c = value * saturation;
  const double hp = std::fmod(hueDegrees, 360.0) / 60.0;
  const double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
  double r = 0, g = 0, b = 0;
  if (hp < 1) {
    r = c, g = x;
  } else if (hp < 2) {
    r = x, g = c;
  } else if (hp < 3) {
    g = c, b = x;
  } else if (hp < 4) {
    g = x, b = c;
  } else if (hp < 5) {
    r = x, b = c;
  } else {
    r = c, b = x;
  }
  const double m = value - c;
  const auto byte = [&](double v) { return static_cast<std::uint8_t>(std::lround((v + m) * 255)); };
  return {byte(r), byte(g), byte(b)};
}

}  // namespace

Rgb aciColour(int index) {
  static constexpr std::array<Rgb, 10> kBasic = {{{0, 0, 0},
                                                  {255, 0, 0},
                                                  {255, 255, 0},
                                                  {0, 255, 0},
                                                  {0, 255, 255},
                                                  {0, 0, 255},
                                                  {255, 0, 255},
                                                  {0, 0, 0},
                                                  {128, 128, 128},
                                                  {192, 192, 192}}};
  if (index >= 0 && index < 10) return kBasic[static_cast<std::size_t>(index)];
  if (index >= 250 && index <= 255) {
    const auto v = static_cast<std::uint8_t>(51 + (index - 250) * 40);
    return {v, v, v};
  }
  if (index < 10 || index > 249) return {0, 0, 0};
  // 24 hues in steps of 15 degrees; within each, five brightness levels, each in a full
  // and a pale variant.
  const int hue = (index - 10) / 10;
  const int shade = index % 10;
  static constexpr std::array<double, 5> kValue = {1.0, 0.8, 0.6, 0.5, 0.3};
  const double value = kValue[static_cast<std::size_t>(shade / 2)];
  const double saturation = shade % 2 == 0 ? 1.0 : 0.5;
  return fromHsv(hue * 15.0, saturation, value);
}

}  // namespace render
