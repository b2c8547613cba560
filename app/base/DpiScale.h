#pragma once

// Logical DPI of the primary screen divided by 96. Read once (thread-safe) on first use and kept for the life
// of the process; a QGuiApplication must exist by then (1.0 when there is no screen).
double dpiScaleFactor();

// Scales a pixel size from 96 DPI to the primary screen's logical DPI, truncating toward zero.
int dpiScaled(int n);

// Scales a pixel size by an explicit factor (logical DPI / 96), truncating toward zero.
int dpiScaled(int n, double factor);
