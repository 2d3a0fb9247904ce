#pragma once

class QWidget;

// The mouse-wheel and Return rules every window of the program follows; one
// event filter, installed on the value widgets and buttons under root (call it
// once the window's widgets exist; calling it again covers widgets made since).
// - A wheel turned over a drop-down, spin box or slider never changes its
//   value, focused or not: the wheel goes on to the page around it, which
//   scrolls. These widgets take focus from a click or Tab, not from the wheel.
// - Return or Enter on a focused button presses it, as Space does.
void installInputGuard(QWidget *root);
