// Keys and mouse buttons pressed as real input, the way a person's keyboard and mouse send them.
#pragma once

#include <windows.h>

// The modifier held, the key pressed and released, the modifier released.
inline void SendChord(WORD modifier, WORD key)
{
    INPUT in[4]{};
    for (INPUT& i : in)
        i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = modifier;
    in[1].ki.wVk = key;
    in[2].ki.wVk = key;
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = modifier;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, in, sizeof(INPUT));
}

// One event of the real mouse where the cursor stands: a button pressed or released.
inline void SendMouseButton(DWORD flags)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(in));
}

// A left click of the real mouse at a point of a window's client area.
inline void SendLeftClick(HWND window, POINT client)
{
    ClientToScreen(window, &client);
    SetCursorPos(client.x, client.y);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}
