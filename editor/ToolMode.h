#pragma once

#include <cstdint>

namespace tarvo {

// The current tool, shared by every document window. The values are the tool codes the main
// window's actions store; the modes without an action are entered by the document window while a
// tool works (text being typed, a lasso being drawn, a selection floating).
enum class ToolMode : uint8_t {
    Pencil = 0,
    Line = 1,
    Rectangle = 2,
    FilledRectangle = 3,
    Ellipse = 4,
    FilledEllipse = 5,
    Pasting = 6,  // only while a pasted picture is converted
    RectangleSelection = 7,
    RectangleFloating = 8,
    ColorPicker = 9,
    Text = 10,
    Typing = 11,
    Fill = 12,
    Lasso = 13,
    LassoDrawing = 14,
    LassoFloating = 15,
    Blur = 16,
    EllipseSelection = 17,
    EllipseFloating = 18,
    HueSelection = 19,
    HueFloating = 20,
    Erase = 21,
    HotSpot = 22,  // a click sets the cursor's hot spot
};

inline constexpr int toolCode(ToolMode mode) {
    return static_cast<int>(mode);
}

// A mode in which a selection floats.
inline constexpr bool isFloatingMode(ToolMode mode) {
    return mode == ToolMode::RectangleFloating || mode == ToolMode::LassoFloating ||
           mode == ToolMode::EllipseFloating || mode == ToolMode::HueFloating;
}

// What a floating mode returns to when its selection ends; other modes stay.
inline constexpr ToolMode selectionFallback(ToolMode mode) {
    switch (mode) {
        case ToolMode::RectangleFloating:
            return ToolMode::RectangleSelection;
        case ToolMode::LassoFloating:
        case ToolMode::LassoDrawing:
            return ToolMode::Lasso;
        case ToolMode::EllipseFloating:
            return ToolMode::EllipseSelection;
        case ToolMode::HueFloating:
            return ToolMode::HueSelection;
        default:
            return mode;
    }
}

// The drawing tools: choosing one ends a selection or a text entry first. The selection tools
// and the text tool leave both alone.
inline constexpr bool finishesEditing(ToolMode mode) {
    switch (mode) {
        case ToolMode::Pencil:
        case ToolMode::Line:
        case ToolMode::Rectangle:
        case ToolMode::FilledRectangle:
        case ToolMode::Ellipse:
        case ToolMode::FilledEllipse:
        case ToolMode::ColorPicker:
        case ToolMode::Fill:
        case ToolMode::Blur:
        case ToolMode::Erase:
        case ToolMode::HotSpot:
            return true;
        default:
            return false;
    }
}

}  // namespace tarvo
