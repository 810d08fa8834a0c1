#pragma once
// The GDI+ session the save dialog starts at each load. Nothing reads it and nothing
// shuts it down: the dialog's encoders need a session open while it is shown.

#include "platform/gdiplus/gdiplus.h"

namespace modRotate1 {

inline gdiplus::Token GdiToken = 0;
inline bool GdiStarted = false;

void StartGdiPlusForSave(uint32_t Version);

}  // namespace modRotate1
