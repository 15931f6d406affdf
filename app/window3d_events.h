// The 3D window's events as plain records: the window translates toolkit events into these,
// so that every gesture runs in tests and in batch mode without a toolkit.
#pragma once

struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;  // Alt, Super or Meta: no shortcut of the window uses them
};

// The mouse over the canvas: canvas pixels, the buttons held, the modifier keys.
struct MouseEvent {
  int x = 0, y = 0;
  bool left = false, right = false, middle = false;
  Modifiers mods{};
};
enum class MouseButton { left, right, middle };
enum class Key { space, z, y, s, other };  // the keys the window acts on

enum class CanvasCursor {
  standard,  // the brush tools
  hand,      // the tools that act on a click
  move,      // navigating (Space held, or a middle-button drag)
};
