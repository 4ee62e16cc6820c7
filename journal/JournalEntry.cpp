#include "journal/JournalEntry.h"

#include <array>

namespace {

struct EndingNames
{
    JournalEnding ending;
    const char *code;
    const char16_t *text;
};

constexpr std::array<EndingNames, 5> kEndings{{
    {JournalEnding::Completed, "completed", u"до конца"},
    {JournalEnding::Stopped, "stopped", u"остановлена"},
    {JournalEnding::MissingPhrase, "missing-phrase", u"нет звукового файла"},
    {JournalEnding::WindowClosed, "window-closed", u"закрыто окно"},
    {JournalEnding::Failed, "failed", u"ошибка"},
}};

const EndingNames &namesOf(JournalEnding ending)
{
    for (const EndingNames &names : kEndings)
        if (names.ending == ending)
            return names;
    return kEndings.back();
}

} // namespace

QString EndingText(JournalEnding ending)
{
    return QString::fromUtf16(namesOf(ending).text);
}

std::optional<JournalEnding> EndingFromText(const QString &text)
{
    const QString wanted = text.trimmed();
    for (const EndingNames &names : kEndings)
        if (wanted.compare(QString::fromUtf16(names.text), Qt::CaseInsensitive) == 0)
            return names.ending;
    return std::nullopt;
}

QString EndingCode(JournalEnding ending)
{
    return QString::fromLatin1(namesOf(ending).code);
}

std::optional<JournalEnding> EndingFromCode(const QString &code)
{
    for (const EndingNames &names : kEndings)
        if (code == QLatin1String(names.code))
            return names.ending;
    return std::nullopt;
}

bool JournalEntry::SameMeditation(const JournalEntry &other) const
{
    return start.toSecsSinceEpoch() == other.start.toSecsSinceEpoch()
           && meditatedSeconds == other.meditatedSeconds;
}

QDateTime JournalMoment(const QDateTime &moment)
{
    const qint64 seconds = moment.toSecsSinceEpoch();
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::OffsetFromUTC, moment.offsetFromUtc());
}
