#pragma once

namespace tervolen {

// A colour as 0x00BBGGRR (255 is pure red).
using Color = unsigned int;

inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kFuchsia = 0xFF00FF;
inline constexpr Color kGreen = 0x008000;
inline constexpr Color kNavy = 0x800000;

} // namespace tervolen
