// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel_bench_stayrunning: a stand-in viewer, browser or opener that takes any arguments and runs until it is killed.
#include <unistd.h>

int main()
{
    for (;;)
        ::pause();
}
