// The fixed prefix code of a match offset's upper 6 bits. Values get codes in
// increasing order, each the previous code plus 1 with a 0 bit appended where the
// length grows: 1 value of 3 bits, 3 of 4, 8 of 5, 12 of 6, 24 of 7, 16 of 8.
#pragma once

#include <array>
#include <cstdint>

struct OffsetCodeTables {
  // Indexed by the next 8 bits of the stream: the value whose code is their prefix,
  // and that code's length.
  std::array<uint8_t, 256> HighCode;
  std::array<uint8_t, 256> CodeLength;
  // Indexed by the value: its code, right-aligned, and the code's length.
  std::array<uint8_t, 64> Code;
  std::array<uint8_t, 64> Length;
};

// At compile time for the encoder and the tests; at run time for the decoder, so that
// SETUP.EXE carries the tables in uninitialised data rather than in its file.
inline constexpr uint8_t OffsetValuesOfLength[9] = {0, 0, 0, 1, 3, 8, 12, 24, 16};

constexpr void FillOffsetCodeTables(OffsetCodeTables& t) {
  int value = 0;
  int code = 0;
  int index = 0;
  for (int length = 3; length <= 8; ++length) {
    for (int k = 0; k < OffsetValuesOfLength[length]; ++k, ++value, ++code) {
      t.Code[value] = static_cast<uint8_t>(code);
      t.Length[value] = static_cast<uint8_t>(length);
      for (int r = 0; r < (1 << (8 - length)); ++r, ++index) {
        t.HighCode[index] = static_cast<uint8_t>(value);
        t.CodeLength[index] = static_cast<uint8_t>(length);
      }
    }
    code <<= 1;
  }
}

consteval OffsetCodeTables MakeOffsetCodeTables() {
  OffsetCodeTables t{};
  FillOffsetCodeTables(t);
  return t;
}

inline constexpr OffsetCodeTables OffsetCode = MakeOffsetCodeTables();
inline constexpr const std::array<uint8_t, 256>& OffsetHighCode = OffsetCode.HighCode;
inline constexpr const std::array<uint8_t, 256>& OffsetCodeLength = OffsetCode.CodeLength;
