// Entry point of every test executable: one Wine start runs the whole layer's suite.
#include <gtest/gtest.h>

#include <windows.h>

int main(int argc, char** argv)
{
    // Keep a crashed test from stopping the run on a modal error dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
