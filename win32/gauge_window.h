#pragma once

#include <windows.h>

namespace kryvet::win32 {

// The progress gauge: a horizontal bar with the whole percentage over it in
// the complement colour. Made with the gauge's ControlDescription as its
// creation parameter.
inline constexpr wchar_t kGaugeClass[] = L"Kryvet.Gauge";
void RegisterGaugeClass();

// Sets the value and repaints at once, only when the shown percentage
// changes: callers update it from loops that do not return to the messages.
void SetGaugeProgress(HWND gauge, int value);
int GaugeProgress(HWND gauge);

}  // namespace kryvet::win32
