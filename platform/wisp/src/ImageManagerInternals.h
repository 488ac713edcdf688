// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Gui::Wisp::ImageManagerInternals: what the process's image cache has done and holds, for the library's own tests and benchmarks.
#pragma once

#include <QtCore/QtGlobal>

namespace Gui {
namespace Wisp {

// Each call takes the cache's lock, as ImageManager's own calls do: any thread.
class ImageManagerInternals
{
public:
    struct Statistics
    {
        quint64 hits = 0;    // getImage calls that found the name
        quint64 misses = 0;  // getImage calls that did not
        quint64 loads = 0;   // loadDravelImage calls, found or not
        quint64 adds = 0;    // addImage calls
        quint64 evictions = 0;
    };

    ImageManagerInternals() = delete;

    static Statistics statistics();
    static void resetStatistics();
    // How many masks are kept for reuse.
    static int maskCacheCount();
};

} // namespace Wisp
} // namespace Gui
