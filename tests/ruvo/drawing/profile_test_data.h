#pragma once
// Small sections for the profile tests.

#include <initializer_list>
#include <string>

#include "ruvo/section/doc_data.h"

namespace profile_test {

struct P {
  double dist;
  double high;
  std::uint32_t type = ruvo::PT_CROSS;
  double x = 0, y = 0;
  std::uint32_t mark = 0;
  std::string note = {};
};

// A document whose points are given as (distance, elevation, kind, x, y, mark, note); the
// first and last become start and end points as a cut makes them.
inline ruvo::CDocData MakeDoc(std::initializer_list<P> points) {
  ruvo::CDocData doc;
  int no = 0;
  for (const P& p : points) {
    ruvo::CDataStruct d;
    d.nNo = no++;
    d.dDist = p.dist;
    d.dHigh = p.high;
    d.nType = p.type;
    d.ptPos = {p.x, p.y, 0};
    d.bMark = p.mark;
    d.strNote = p.note;
    doc.pointList.push_back(d);
  }
  if (!doc.pointList.empty()) {
    auto& first = doc.pointList.front();
    auto& last = doc.pointList.back();
    first.nType = last.nType = ruvo::PT_END;
    first.bMark = last.bMark = 1;
    first.strNote = "起点";
    last.strNote = "终点";
  }
  return doc;
}

// A straight section due east: 150 plan units, so W = 300 with the default scales.
inline ruvo::CDocData EastSection() {
  return MakeDoc({{0, 100, 0, 1000, 2000}, {50, 87.6, 0, 1050, 2000}, {150, 101.3, 0, 1150, 2000}});
}

}  // namespace profile_test
