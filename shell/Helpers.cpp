#include "shell/Helpers.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTime>
#include <chrono>
#include <cmath>
#include <random>

namespace {

std::mt19937_64 &generator()
{
    static std::mt19937_64 instance;
    return instance;
}

constexpr int kBuildNumber = 89;
constexpr int kHighestTop = -5;

} // namespace

void SeedRandom(quint64 seed)
{
    generator().seed(seed);
}

void SeedRandomFromClock()
{
    SeedRandom(static_cast<quint64>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

double RandomReal()
{
    // 53 random bits make every double in [0, 1) on the 2^-53 grid equally likely.
    return static_cast<double>(generator()() >> 11) * 0x1.0p-53;
}

qint32 GetIntRandom(qint32 valuescount)
{
    if (valuescount < 1)
        return 0;
    return static_cast<qint32>(std::floor(RandomReal() * (valuescount - 0.000001)));
}

double DateTimeOf(const QDateTime &moment)
{
    static const QDate origin(1899, 12, 30);
    const double days = static_cast<double>(origin.daysTo(moment.date()));
    return days + moment.time().msecsSinceStartOfDay() / 86'400'000.0;
}

double DateTime()
{
    return DateTimeOf(QDateTime::currentDateTime());
}

bool StringFilled(const QString &text)
{
    for (const QChar unit : text)
        if (unit.unicode() > 32)
            return true;
    return false;
}

QString ExtractLastFolderFromDir(const QString &path)
{
    QString trimmed = path;
    while (trimmed.endsWith(QLatin1Char('\\')))
        trimmed.chop(1);
    while (trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    qsizetype cut = std::max(trimmed.lastIndexOf(QLatin1Char('\\')),
                             trimmed.lastIndexOf(QLatin1Char('/')));
#ifdef Q_OS_WIN
    cut = std::max(cut, trimmed.lastIndexOf(QLatin1Char(':')));
#endif
    return trimmed.mid(cut + 1);
}

QPoint CenteredFormPosition(QSize screen, QSize window)
{
    const int left = (screen.width() - window.width()) / 2;
    const int top = (screen.height() - window.height()) / 2;
    return QPoint(left, std::max(top, kHighestTop));
}

QPoint RelativeFormPosition(QSize screen, QSize window, double kx, double ky)
{
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double left = 0.5 * screen.width() - 0.5 * window.width()
                        + (screen.width() - window.width()) * kx * 0.5;
    const double top = 0.5 * screen.height() - 0.5 * window.height()
                       + (screen.height() - window.height()) * ky * 0.5;
    return QPoint(static_cast<int>(std::nearbyint(left)),
                  std::max(static_cast<int>(std::nearbyint(top)), kHighestTop));
}

QString GetProgVerString()
{
    return QStringLiteral("Nesvara v. 1.0 b") + QString::number(kBuildNumber);
}
