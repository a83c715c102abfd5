#pragma once

#include <cstdint>

namespace dravik {

// A colour laid out as 0x00BBGGRR: red in the lowest byte.
using Colour = std::uint32_t;

inline constexpr Colour kRed = 0x000000FF;
inline constexpr Colour kBlack = 0x00000000;
inline constexpr Colour kYellow = 0x0000FFFF;
inline constexpr Colour kPaleGreen = 0x0080FF80;
inline constexpr Colour kBlue = 0x00FF0000;
inline constexpr Colour kDarkBlue = 0x00C00000;
inline constexpr Colour kWhite = 0x00FFFFFF;
inline constexpr Colour kCyan = 0x00FFFF00;

// The figure a shape draws inside its bounding rectangle.
enum class ShapeKind : std::uint8_t { Rectangle = 0, Square = 1, Circle = 3 };

inline constexpr ShapeKind kRectangle = ShapeKind::Rectangle;
inline constexpr ShapeKind kSquare = ShapeKind::Square;
inline constexpr ShapeKind kCircle = ShapeKind::Circle;

// One flat shape of the level: at once a piece of the picture and a piece of
// the game state. Positions and sizes are single-precision twips; only Left,
// Top and Visible change during play.
struct Shape {
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;
    bool Visible = true;
    ShapeKind Kind = kRectangle;
    Colour FillColor = kBlack;
    std::int16_t FillStyle = 0;  // 0 is solid, the only style the level uses
};

}  // namespace dravik
