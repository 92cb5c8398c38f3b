#pragma once

// Small helpers shared by the benchmarks: order statistics, table rows, process times.

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

/// Offscreen unless the caller chose a platform: a benchmark needs no display.
inline void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

inline double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

inline double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

/// The value below which `fraction` of the samples lie (0.5: the median); 0 for no samples.
inline double quantile(std::vector<double> samples, double fraction)
{
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const auto index = std::min(samples.size() - 1, std::size_t(fraction * samples.size()));
    return samples[index];
}

inline double median(const std::vector<double> &samples)
{
    return quantile(samples, 0.5);
}

inline double largest(const std::vector<double> &samples)
{
    return samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end());
}

/// One row of the table that bench/run gathers: "| measure | value |".
inline void row(const QString &measure, const QString &value)
{
    std::printf("| %s | %s |\n", measure.toUtf8().constData(), value.toUtf8().constData());
    std::fflush(stdout);
}

/// A number with `decimals` places.
inline QString number(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

} // namespace bench
