#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "level/control_name.h"
#include "level/shape.h"

namespace dravik {

// One row of the level: a shape as it is laid out when the window opens.
struct ShapeRow {
    ControlName name;
    std::int16_t index;                     // kSingle for a single shape
    std::int32_t left, top, width, height;  // twips
    ShapeKind kind;
    Colour colour;
};

// One label of the counter display.
struct LabelRow {
    ControlName name;
    std::string_view caption;
    std::int32_t left, top, width, height;  // twips
    double fontPoints;
    bool opaque;  // white background with a single-line border; else transparent
};

// A run of the design order: members first..last of a group, counting down
// or up as the run says, or a single control when index is kSingle.
struct DesignRun {
    ControlName name;
    std::int16_t first = kSingle;
    std::int16_t last = kSingle;
};

inline constexpr int kShapeCount = 324;
inline constexpr int kLabelCount = 4;
inline constexpr int kKeyCount = 155;  // Key(0) to Key(154), all to collect

extern const std::array<ShapeRow, kShapeCount> kShapeTable;
extern const std::array<LabelRow, kLabelCount> kLabelTable;
inline constexpr int kDesignRunCount = 56;
extern const std::array<DesignRun, kDesignRunCount> kDesignOrder;

// The window's client area and background.
inline constexpr std::int32_t kClientWidth = 15705;   // twips, 1047 pixels
inline constexpr std::int32_t kClientHeight = 12450;  // twips, 830 pixels
inline constexpr std::int32_t kTwipsPerPixel = 15;
inline constexpr Colour kBackground = kCyan;

}  // namespace dravik
