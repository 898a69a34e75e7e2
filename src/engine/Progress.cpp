#include "engine/Progress.h"

#include <cmath>
#include <limits>

namespace quorlix
{

namespace
{

std::string twoDigits(std::int32_t v)
{
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

} // namespace

std::optional<std::string> FormatInterval(double dayFraction, const char* format)
{
    (void)format;
    // nearbyint rounds half to even in the default rounding mode.
    const double seconds = std::nearbyint(dayFraction * 86400.0);
    if (!(seconds >= std::numeric_limits<std::int32_t>::min() && seconds <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    auto total = static_cast<std::int32_t>(seconds);
    // A negative interval (more passwords made than requested cannot happen,
    // but a caller may pass one) shows its sign on the hours only.
    const bool negative = total < 0;
    const std::int64_t magnitude = negative ? -static_cast<std::int64_t>(total) : total;
    const auto s = static_cast<std::int32_t>(magnitude % 60);
    const auto m = static_cast<std::int32_t>((magnitude / 60) % 60);
    const std::int64_t h = magnitude / 3600;
    std::string text = negative ? "-" : "";
    text += std::to_string(h);
    text += ':';
    text += twoDigits(m);
    text += ':';
    text += twoDigits(s);
    return text;
}

std::optional<int> percentOf(std::int64_t n, std::int64_t total)
{
    if (total == 0)
        return std::nullopt;
    // floor(n * 100 / total + 1/2) in exact integer arithmetic.
    const std::int64_t num = 200 * n + total;
    const std::int64_t den = 2 * total;
    std::int64_t q = num / den;
    if ((num % den != 0) && ((num < 0) != (den < 0)))
        --q;
    return static_cast<int>(q);
}

CountdownReading countdownReading(float ticks, std::int32_t n, std::int32_t total, int intervalMs)
{
    CountdownReading reading;
    const double rate = static_cast<double>(n) / (intervalMs / 1000.0) / static_cast<double>(ticks);
    const double remaining = static_cast<double>(total) - n;
    reading.percent = percentOf(n, total);
    // With nothing made yet the division fails and the estimate counts as 0.
    double estimate = 0;
    if (rate != 0 && std::isfinite(rate))
        estimate = remaining / rate / 86400.0;
    reading.text = FormatInterval(estimate, "H:MM:SS");
    return reading;
}

bool confirmStop(MainWindowSurface& surface, MessageBoxes& boxes, bool counterOn, std::int32_t made,
                 std::int32_t requested)
{
    const std::string count = std::to_string(made) + " of " + std::to_string(requested);
    if (counterOn)
        surface.setCounter(count);
    const std::string text = "Warning:  You have selected to stop the password generation process. This run has "
                             "produced " +
                             count + " requested passwords at the time you have elected to stop." + std::string(kCrLf) +
                             std::string(kCrLf) + "Select 'OK' to terminate this run." + std::string(kCrLf) +
                             std::string(kCrLf) + "Select 'Cancel' to continue with this run.";
    return boxes.show(text, Icon::Exclamation, Buttons::OkCancel) == Answer::Ok;
}

bool confirmMultiFileStop(MainWindowSurface& surface, MessageBoxes& boxes, bool counterOn, std::int32_t filesDone,
                          std::int32_t totalFiles, std::int32_t made, std::int32_t requested)
{
    if (counterOn)
        surface.setCounter(std::to_string(made));
    const std::string text = "Warning:  You have selected to stop the password generation process. This run has "
                             "produced " +
                             std::to_string(filesDone) + " of " + std::to_string(totalFiles) +
                             " Files. The current file has produced " + std::to_string(made) + " of " +
                             std::to_string(requested) + " requested passwords at the time you have elected to stop." +
                             std::string(kCrLf) + std::string(kCrLf) + "Select 'OK' to terminate this run." +
                             std::string(kCrLf) + std::string(kCrLf) + "Select 'Cancel' to continue with this run.";
    return boxes.show(text, Icon::Exclamation, Buttons::OkCancel) == Answer::Ok;
}

} // namespace quorlix
