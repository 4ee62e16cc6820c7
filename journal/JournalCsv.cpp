#include "journal/JournalCsv.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

constexpr int kColumns = 8;
constexpr qint64 kLargestCsvFile = 256LL * 1024 * 1024;
constexpr int kProblemsShown = 15;
const char kByteOrderMark[] = "\xEF\xBB\xBF";

QStringList headerRow()
{
    return {QStringLiteral("Начало"),        QStringLiteral("План, мин"),
            QStringLiteral("Медитация, с"),  QStringLiteral("Техника"),
            QStringLiteral("Инструктор"),    QStringLiteral("Подготовка"),
            QStringLiteral("Фоновый звук"),  QStringLiteral("Завершение")};
}

QString quoted(const QString &field)
{
    const bool needsQuotes = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"'))
                             || field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n'))
                             || field != field.trimmed();
    if (!needsQuotes)
        return field;
    QString text = field;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

void appendRow(QString &out, const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += quoted(fields.at(i));
    }
    out += QStringLiteral("\r\n");
}

QString startText(const QDateTime &start)
{
    return JournalMoment(start).toString(Qt::ISODate);
}

// One record of the file and the line it starts on.
struct CsvRecord
{
    int line = 0;
    QStringList fields;
};

// Splits the text into records by RFC 4180; quoted fields may hold commas, quotes and line
// breaks. A bare LF ends a record as CRLF does. Stops at the first malformed record,
// which is reported: what follows cannot be told apart.
std::vector<CsvRecord> splitRecords(const QString &text, QStringList &problems)
{
    std::vector<CsvRecord> records;
    CsvRecord record;
    record.line = 1;
    QString field;
    int line = 1;
    bool inQuotes = false;
    bool wasQuoted = false;
    const auto endField = [&] {
        record.fields << field;
        field.clear();
        wasQuoted = false;
    };
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < size && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            endField();
            records.push_back(std::move(record));
            record = CsvRecord{};
            record.line = ++line;
        } else if (c == QLatin1Char('"')) {
            if (!field.isEmpty() || wasQuoted) {
                problems << QStringLiteral("строка %1: кавычка внутри поля без кавычек").arg(line);
                return records;
            }
            inQuotes = true;
            wasQuoted = true;
        } else {
            if (wasQuoted) {
                problems << QStringLiteral("строка %1: текст после закрывающей кавычки").arg(line);
                return records;
            }
            field += c;
        }
    }
    if (inQuotes) {
        problems << QStringLiteral("строка %1: кавычка не закрыта до конца файла").arg(record.line);
        return records;
    }
    if (!field.isEmpty() || wasQuoted || !record.fields.isEmpty()) {
        endField();
        records.push_back(std::move(record));
    }
    return records;
}

bool isBlank(const CsvRecord &record)
{
    return record.fields.size() == 1 && record.fields.front().trimmed().isEmpty();
}

bool readNumber(const QString &text, qint32 maximum, qint32 &value)
{
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    if (!ok || number < 0 || number > maximum)
        return false;
    value = qint32(number);
    return true;
}

// The entry of one record, or the reason it cannot be read.
QString readEntry(const CsvRecord &record, JournalEntry &entry)
{
    const QStringList &f = record.fields;
    if (f.size() != kColumns)
        return QStringLiteral("%1 полей вместо %2").arg(f.size()).arg(kColumns);
    const QDateTime start = QDateTime::fromString(f.at(0).trimmed(), Qt::ISODate);
    if (!start.isValid())
        return QStringLiteral("время начала \"%1\" не в формате ISO 8601").arg(f.at(0));
    entry.start = JournalMoment(start);
    if (!readNumber(f.at(1), kLongestPlannedMinutes, entry.plannedMinutes))
        return QStringLiteral("план \"%1\" — не число минут").arg(f.at(1));
    if (!readNumber(f.at(2), kLongestMeditationSeconds, entry.meditatedSeconds))
        return QStringLiteral("длительность \"%1\" — не число секунд").arg(f.at(2));
    entry.technique = f.at(3);
    entry.instructor = f.at(4);
    entry.preparation = f.at(5);
    entry.background = f.at(6);
    const auto ending = EndingFromText(f.at(7));
    if (!ending)
        return QStringLiteral("неизвестное завершение \"%1\"").arg(f.at(7));
    entry.ending = *ending;
    return QString();
}

} // namespace

QByteArray JournalToCsv(const std::vector<JournalEntry> &entries)
{
    QString text;
    text.reserve(qsizetype(entries.size()) * 120 + 128);
    appendRow(text, headerRow());
    for (const JournalEntry &entry : entries)
        appendRow(text, {startText(entry.start), QString::number(entry.plannedMinutes),
                         QString::number(entry.meditatedSeconds), entry.technique, entry.instructor,
                         entry.preparation, entry.background, EndingText(entry.ending)});
    return QByteArray(kByteOrderMark) + text.toUtf8();
}

JournalCsvReading JournalFromCsv(const QByteArray &bytes)
{
    JournalCsvReading reading;
    QByteArray body = bytes;
    if (body.startsWith(kByteOrderMark))
        body.remove(0, 3);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(body);
    if (decoder.hasError()) {
        reading.problems << QStringLiteral("файл не в кодировке UTF-8");
        return reading;
    }
    QStringList malformed;
    const std::vector<CsvRecord> records = splitRecords(text, malformed);
    if (records.empty() || records.front().fields != headerRow()) {
        reading.problems << QStringLiteral("строка 1: нет заголовка \"%1\"").arg(headerRow().join(QLatin1Char(',')));
        return reading;
    }
    for (std::size_t i = 1; i < records.size(); ++i) {
        const CsvRecord &record = records[i];
        if (isBlank(record))
            continue;
        JournalEntry entry;
        const QString problem = readEntry(record, entry);
        if (problem.isEmpty())
            reading.entries.push_back(std::move(entry));
        else
            reading.problems << QStringLiteral("строка %1: %2").arg(record.line).arg(problem);
    }
    // Splitting stopped at the malformed record, after every record above it.
    reading.problems << malformed;
    return reading;
}

bool WriteJournalCsvFile(const QString &path, const std::vector<JournalEntry> &entries, QString &error)
{
    const QByteArray bytes = JournalToCsv(entries);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("Не удалось создать файл \"%1\": %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    // A buffered write can fail without commit() noticing: every write is checked.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Не удалось записать файл \"%1\": %2").arg(QDir::toNativeSeparators(path), file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = QStringLiteral("Не удалось сохранить файл \"%1\": %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

bool ReadJournalCsvFile(const QString &path, JournalCsvReading &reading, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Не удалось открыть файл \"%1\": %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    if (file.size() > kLargestCsvFile) {
        error = QStringLiteral("Файл \"%1\" слишком велик для дневника практики.").arg(QDir::toNativeSeparators(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Не удалось прочитать файл \"%1\": %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    reading = JournalFromCsv(bytes);
    return true;
}

QString JournalCsvProblemsText(const QStringList &problems)
{
    QStringList shown = problems.mid(0, kProblemsShown);
    QString text = shown.join(QLatin1Char('\n'));
    if (problems.size() > kProblemsShown)
        text += QStringLiteral("\n… и ещё %1").arg(problems.size() - kProblemsShown);
    return text;
}
