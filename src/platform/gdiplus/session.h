#pragma once
// What the flat functions share about sessions.

#include "platform/gdiplus/gdiplus.h"

namespace gdiplus::detail {

bool sessionOpen();

// Ok while a session is open, else GdiplusNotInitialized: the first check of every flat
// function other than GdiplusStartup and GdiplusShutdown.
Status requireSession();

}  // namespace gdiplus::detail
