#pragma once
// The pages keep the positions of their dialog templates, in dialog units of an 8-point
// dialog font (a quarter of the average character width, an eighth of the line height).

#include <QRect>

namespace ruvo {

inline int DluX(int x) { return x * 3 / 2; }
inline int DluY(int y) { return y * 13 / 8; }
inline QRect DluRect(int x, int y, int w, int h) { return {DluX(x), DluY(y), DluX(w), DluY(h)}; }

}  // namespace ruvo
