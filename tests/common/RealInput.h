// Keys pressed as real input, the way a person's keyboard sends them.
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
