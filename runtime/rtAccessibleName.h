// What assistive technology reads of a window: a name where the platform's own guess (the
// static text just before the window) cannot find it, and for the library's own-drawn
// controls their role, value, parts and default actions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A part of a control that a screen reader meets as a child of its own (a button inside a
// field), by a number from 1.
struct TAccessiblePart {
    long role = 0;
    std::wstring name;
    // What the default action is called; empty: the part has none.
    std::wstring defaultAction;
    // Where the part lies, in the control's client coordinates.
    RECT bounds{};
    bool enabled = true;
};

// What a control says of itself. Unset answers are the platform's standard object's.
struct TAccessibleDescription {
    long role = 0;
    bool hasName = false;
    std::wstring name;
    bool hasValue = false;
    std::wstring value;
    std::wstring defaultAction;
    std::vector<TAccessiblePart> parts;
};

// Answers WM_GETOBJECT for the client object of wnd with an object that asks the window's
// control (TWinControl::DescribeAccessible) anew at every question, so that it never tells
// what has changed since; 0 when no object could be made.
LRESULT AnswerAccessible(HWND wnd, WPARAM wParam);

// The message a default action asked through the object is posted as (wParam: the part, 0
// for the control itself). Posted, not run at once: an action may open a modal window, and
// the client that asked must not wait for it to close.
constexpr UINT WM_ACCESSIBLE_ACTION = WM_APP + 0x0ACC;
