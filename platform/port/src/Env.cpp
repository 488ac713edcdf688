// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port_Env: the platform family.
#include <Port/Env.h>

bool Port_Env::IsNt()
{
#if defined(_WIN32)
    return true;
#else
    return false;
#endif
}
