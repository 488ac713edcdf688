// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The preference scope, its twelve keys with their stored types and defaults, and the Java memory sizes: one table for the library and kel-settings.
#pragma once

#include <cstddef>
#include <iterator>

namespace Kel {
namespace PreferenceTable {

// Every preference of the application lives in this scope of the store.
inline constexpr char Scope[] = "Molvane";

enum class ValueType {
    Flag,         // bool
    CommandLine,  // QString: a viewer's program and arguments, "%1" standing for the file or URL
    MemoryChoice, // int: an index into JavaMemorySizesMb
    Count,        // int: a whole number
    Bytes,        // QByteArray, opaque to the library
    WidgetState,  // a key prefix: each widget's key is this word followed directly by its name
    PathList,     // QStringList, most recent first
};

struct Key
{
    const char *name;
    ValueType type;
    // Flags and numbers read as this bool (0 or 1) or int while not stored;
    // every other key reads as an invalid QVariant.
    int defaultValue;
};

enum KeyIndex : std::size_t {
    UseDefaultPDFViewer,
    UseDefaultWebBrowser,
    OpenPreviousProject,
    OverwriteFiles,
    PDFViewer,
    WebBrowser,
    DisplayReadme,
    JavaMemorySize,
    RecentProjectCount,
    WindowState,
    WidgetState,
    RecentFiles,
    KeyCount
};

// In the order the library builds its key strings when it loads.
inline constexpr Key Keys[KeyCount] = {
    {"UseDefaultPDFViewer", ValueType::Flag, 1},
    {"UseDefaultWebBrowser", ValueType::Flag, 1},
    {"OpenPreviousProject", ValueType::Flag, 0},
    {"OverwriteFiles", ValueType::Flag, 0},
    {"PDFViewer", ValueType::CommandLine, 0},
    {"WebBrowser", ValueType::CommandLine, 0},
    {"DisplayReadme", ValueType::Flag, 1},
    {"JavaMemorySize", ValueType::MemoryChoice, 2},
    {"RecentProjectCount", ValueType::Count, 4},
    {"WindowState", ValueType::Bytes, 0},
    {"WidgetState", ValueType::WidgetState, 0},
    {"RecentFiles", ValueType::PathList, 0},
};

// The Java runtime's memory in MB, by the choice index stored under JavaMemorySize.
inline constexpr unsigned int JavaMemorySizesMb[] = {256, 512, 1024, 2048, 4096};
inline constexpr unsigned int JavaMemoryChoiceCount = static_cast<unsigned int>(std::size(JavaMemorySizesMb));

constexpr bool flagDefault(KeyIndex key)
{
    return Keys[key].defaultValue != 0;
}

constexpr int numberDefault(KeyIndex key)
{
    return Keys[key].defaultValue;
}

// A stored choice index as a size; any other number is that number, unchanged.
constexpr unsigned int javaMemorySizeMb(unsigned int storedNumber)
{
    return storedNumber < JavaMemoryChoiceCount ? JavaMemorySizesMb[storedNumber] : storedNumber;
}

} // namespace PreferenceTable
} // namespace Kel
