#pragma once
// The usual visitor helper for std::visit over the curve variant (not a public header).

namespace geom::detail {

template <class... F>
struct Overload : F... {
  using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

}  // namespace geom::detail
