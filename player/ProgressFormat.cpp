#include "player/ProgressFormat.h"

#include <algorithm>
#include <cmath>

namespace {

double RoundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5)
        return below + 1.0;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

} // namespace

TProgressDisplay FormatProgress(double progr, int maximum, const QLocale &locale)
{
    if (!std::isfinite(progr))
        progr = 0.0;
    TProgressDisplay display;
    const double position = std::clamp(RoundHalfToEven(progr * maximum), 0.0,
                                       static_cast<double>(std::max(maximum, 0)));
    display.position = static_cast<int>(position);

    // "%.1f" never groups digits.
    QLocale plain = locale;
    plain.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    display.text = plain.toString(progr * 100.0, 'f', 1) + QLatin1Char('%');
    return display;
}

quint64 NextProgressChangeMs(quint64 elapsedMs, quint64 lengthMs)
{
    if (lengthMs == 0)
        return elapsedMs + 1;
    // The digits change where they change in any locale.
    const QLocale plain = QLocale::c();
    const auto shown = [lengthMs, &plain](quint64 elapsed) {
        return FormatProgress(static_cast<double>(elapsed) / static_cast<double>(lengthMs), kProgressMaximum, plain);
    };
    const TProgressDisplay now = shown(elapsedMs);
    // Where the label's tenth of a percent or the bar's position rounds up next, by
    // arithmetic; the formatting itself decides around that moment. The display only ever
    // grows with the time, so the first moment that shows something else lies between a
    // moment that shows `now` and one that does not.
    const double length = static_cast<double>(lengthMs);
    const double progr = static_cast<double>(elapsedMs) / length;
    const double tenth = (std::floor(progr * 1000.0 + 0.5) + 0.5) / 1000.0;
    const double step = (std::floor(progr * kProgressMaximum + 0.5) + 0.5) / kProgressMaximum;
    const quint64 estimate = static_cast<quint64>(std::ceil(std::min(tenth, step) * length));
    quint64 same = elapsedMs;
    if (estimate >= elapsedMs + 3 && shown(estimate - 2) == now)
        same = estimate - 2;
    quint64 other = std::max(estimate, elapsedMs) + 2;
    for (quint64 stride = lengthMs / 1000 + 1; shown(other) == now; stride *= 2) {
        same = other;
        other += stride;
    }
    while (other - same > 1) {
        const quint64 middle = same + (other - same) / 2;
        (shown(middle) == now ? same : other) = middle;
    }
    return other;
}

QString FormatRemainingTime(qint64 remainingMs)
{
    const qint64 seconds = remainingMs <= 0 ? 0 : remainingMs / 1000 + (remainingMs % 1000 != 0);
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const auto twoDigits = [](qint64 value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    const QString clock = hours > 0 ? QStringLiteral("%1:%2:%3").arg(hours).arg(twoDigits(minutes), twoDigits(seconds % 60))
                                    : QStringLiteral("%1:%2").arg(seconds / 60).arg(twoDigits(seconds % 60));
    return QStringLiteral("осталось ") + clock;
}
