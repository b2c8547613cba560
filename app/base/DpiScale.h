#pragma once

// Scales a pixel size from 96 DPI to the primary screen's logical DPI, truncating toward zero.
// The factor is read once (thread-safe) on first use; a QGuiApplication must exist by then.
int dpiScaled(int n);
