#pragma once
// Value types of DXF group codes. The type decides how a value is stored in binary DXF
// and how it is parsed; in ASCII DXF every value is one text line.

#include <cstdint>

namespace dxf {

enum class ValueType : std::uint8_t {
  Text,    // strings, names, handles
  Real,    // 8-byte IEEE double in binary
  Int16,   // 2 bytes in binary
  Int32,   // 4 bytes in binary
  Int64,   // 8 bytes in binary
  Bool,    // 1 byte in binary
  Binary,  // hex text in ASCII; length byte + bytes in binary
};

constexpr ValueType valueTypeOf(int code) {
  if (code < 0) return ValueType::Text;
  if (code <= 9) return ValueType::Text;
  if (code <= 59) return ValueType::Real;
  if (code <= 79) return ValueType::Int16;
  if (code <= 99) return ValueType::Int32;
  if (code <= 109) return ValueType::Text;
  if (code <= 149) return ValueType::Real;
  if (code <= 159) return ValueType::Real;
  if (code <= 169) return ValueType::Int64;
  if (code <= 179) return ValueType::Int16;
  if (code <= 209) return ValueType::Int16;
  if (code <= 239) return ValueType::Real;
  if (code <= 269) return ValueType::Text;
  if (code <= 289) return ValueType::Int16;
  if (code <= 299) return ValueType::Bool;
  if (code <= 309) return ValueType::Text;
  if (code <= 319) return ValueType::Binary;
  if (code <= 369) return ValueType::Text;
  if (code <= 389) return ValueType::Int16;
  if (code <= 399) return ValueType::Text;
  if (code <= 409) return ValueType::Int16;
  if (code <= 419) return ValueType::Text;
  if (code <= 429) return ValueType::Int32;
  if (code <= 439) return ValueType::Text;
  if (code <= 459) return ValueType::Int32;
  if (code <= 469) return ValueType::Real;
  if (code <= 481) return ValueType::Text;
  if (code == 1004) return ValueType::Binary;
  if (code >= 1000 && code <= 1009) return ValueType::Text;
  if (code >= 1010 && code <= 1059) return ValueType::Real;
  if (code >= 1060 && code <= 1070) return ValueType::Int16;
  if (code == 1071) return ValueType::Int32;
  return ValueType::Text;
}

}  // namespace dxf
