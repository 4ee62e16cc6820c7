#pragma once

class QWidget;

// Draws a clear ring around the control of `window` that has the keyboard focus: the
// style's own focus hints are faint (the default button) or missing (scroll bars).
void InstallFocusRing(QWidget *window);
