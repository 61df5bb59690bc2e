// A name for a window as assistive technology reads it, where the platform's own guess (the
// static text just before the window) cannot find it.
#pragma once

#include <windows.h>

#include <string>

// The answer to WM_GETOBJECT for the client object of wnd: the platform's standard accessible
// object of the window with name as its name; 0 when no object could be made.
LRESULT AnswerAccessibleName(HWND wnd, WPARAM wParam, const std::wstring& name);
