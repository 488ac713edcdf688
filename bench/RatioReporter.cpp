// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Collects the median real time of each benchmark and turns paired results into a Markdown ratio table.
#include "RatioReporter.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace KelBench {

namespace {

double toNanoseconds(double value, benchmark::TimeUnit unit)
{
    switch (unit) {
    case benchmark::kNanosecond:
        return value;
    case benchmark::kMicrosecond:
        return value * 1e3;
    case benchmark::kMillisecond:
        return value * 1e6;
    case benchmark::kSecond:
        return value * 1e9;
    }
    return value;
}

std::string formatTime(double ns)
{
    char text[64];
    if (ns < 1e3)
        std::snprintf(text, sizeof text, "%.0f ns", ns);
    else if (ns < 1e6)
        std::snprintf(text, sizeof text, "%.2f µs", ns / 1e3);
    else
        std::snprintf(text, sizeof text, "%.3f ms", ns / 1e6);
    return text;
}

std::string formatNumber(double value, const char *format)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

RatioReporter::RatioReporter(std::vector<Comparison> comparisons) : m_comparisons(std::move(comparisons)) {}

void RatioReporter::ReportRuns(const std::vector<Run> &runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
        if (run.error_occurred)
            continue;
        const std::string name = run.run_name.function_name;  // without the "/real_time" suffix
        const double ns = toNanoseconds(run.GetAdjustedRealTime(), run.time_unit);
        if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name == "median")
                m_medians[name] = ns;
        } else {
            m_samples[name].push_back(ns);
        }
    }
}

std::optional<double> RatioReporter::timeOf(const std::string &name) const
{
    const auto aggregate = m_medians.find(name);
    if (aggregate != m_medians.end())
        return aggregate->second;
    const auto samples = m_samples.find(name);
    if (samples != m_samples.end() && !samples->second.empty())
        return median(samples->second);
    return std::nullopt;
}

std::string RatioReporter::table(const std::string &heading) const
{
    std::ostringstream out;
    out << heading << "\n\n";
    out << "| operation | ours | reference | reference is | ratio | target | met |\n";
    out << "|---|---:|---:|---|---:|---:|:---:|\n";
    for (const Comparison &c : m_comparisons) {
        const std::optional<double> ours = timeOf(c.ours);
        const std::optional<double> reference = timeOf(c.reference);
        if (!ours || !reference || *reference <= 0)
            continue;
        const double ratio = *ours / *reference;
        out << "| " << c.label << " | " << formatTime(*ours) << " | " << formatTime(*reference) << " | " << c.note
            << " | " << formatNumber(ratio, "%.3f");
        if (c.limit)
            out << " | ≤ " << formatNumber(*c.limit, "%.2f") << " | " << (ratio <= *c.limit ? "yes" : "**no**");
        else
            out << " | – | –";
        out << " |\n";
    }
    return out.str();
}

bool RatioReporter::allLimitsMet() const
{
    for (const Comparison &c : m_comparisons) {
        const std::optional<double> ours = timeOf(c.ours);
        const std::optional<double> reference = timeOf(c.reference);
        if (c.limit && ours && reference && *reference > 0 && *ours / *reference > *c.limit)
            return false;
    }
    return true;
}

} // namespace KelBench
