// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// A console reporter that also pairs each operation with its plain-Qt counterpart and prints the ratio table.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace KelBench {

// One row of the table: numerator / denominator, both benchmark names.
struct Comparison
{
    std::string label;
    std::string ours;
    std::string reference;
    std::optional<double> limit;  // the ratio must be at or below it
    std::string note;             // what the limit stands for
};

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    explicit RatioReporter(std::vector<Comparison> comparisons);

    void ReportRuns(const std::vector<Run> &runs) override;

    // The Markdown table of every comparison whose two sides ran.
    std::string table(const std::string &heading) const;
    // Whether every row with a limit that ran stayed within it.
    bool allLimitsMet() const;

private:
    std::optional<double> timeOf(const std::string &name) const;

    std::vector<Comparison> m_comparisons;
    // Real time in ns per iteration: the median aggregate when there is one,
    // else the median of the single runs.
    std::map<std::string, std::vector<double>> m_samples;
    std::map<std::string, double> m_medians;
};

} // namespace KelBench
