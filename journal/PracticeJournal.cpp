#include "journal/PracticeJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

namespace {

constexpr int kSchemaVersion = 1;
// How long a write waits for another program's transaction before the database counts as
// locked. Meditations are written in a millisecond; anything longer is a stuck lock.
constexpr int kBusyTimeoutMs = 1000;
constexpr int kMaxNumberedBackups = 1000;

const char *const kCreateTable = R"(CREATE TABLE meditations (
    id INTEGER PRIMARY KEY,
    start_utc INTEGER NOT NULL,
    utc_offset INTEGER NOT NULL CHECK (utc_offset BETWEEN -86400 AND 86400),
    planned_min INTEGER NOT NULL CHECK (planned_min >= 0),
    meditated_sec INTEGER NOT NULL CHECK (meditated_sec >= 0),
    technique TEXT NOT NULL,
    instructor TEXT NOT NULL,
    preparation TEXT NOT NULL,
    background TEXT NOT NULL,
    ending TEXT NOT NULL CHECK (ending IN
        ('completed', 'stopped', 'missing-phrase', 'window-closed', 'failed')),
    UNIQUE (start_utc, meditated_sec)
))";

const char *const kColumns = "id, start_utc, utc_offset, planned_min, meditated_sec, technique, "
                             "instructor, preparation, background, ending";

const char *const kInsert =
    "INSERT INTO meditations (start_utc, utc_offset, planned_min, meditated_sec, technique, "
    "instructor, preparation, background, ending) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) "
    "ON CONFLICT (start_utc, meditated_sec) DO NOTHING";

// SQLite's primary result codes that decide what to do.
enum SqliteCode {
    kPerm = 3,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoError = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kConstraint = 19,
    kAuth = 23,
    kNotADatabase = 26,
};

enum class Kind { Damaged, Locked, ReadOnly, Other };

// A failed statement, thrown to the operation that ran it.
struct SqlFailure
{
    QSqlError error;

    int code() const
    {
        bool ok = false;
        const int code = error.nativeErrorCode().toInt(&ok);
        return ok ? code & 0xff : -1;
    }
    Kind kind() const
    {
        switch (code()) {
        case kCorrupt:
        case kNotADatabase: return Kind::Damaged;
        case kBusy:
        case kLocked: return Kind::Locked;
        case kPerm:
        case kReadOnly:
        case kCantOpen:
        case kAuth: return Kind::ReadOnly;
        default: return Kind::Other;
        }
    }
    // SQLite's own texts are English: the user is told in Russian what the code means.
    QString text() const
    {
        switch (code()) {
        case kPerm: return QStringLiteral("нет прав доступа");
        case kBusy:
        case kLocked: return QStringLiteral("он занят другой программой");
        case kReadOnly: return QStringLiteral("запись запрещена");
        case kIoError: return QStringLiteral("ошибка чтения или записи диска");
        case kCorrupt: return QStringLiteral("файл повреждён");
        case kFull: return QStringLiteral("диск переполнен");
        case kCantOpen: return QStringLiteral("файл не открывается");
        case kConstraint: return QStringLiteral("недопустимые данные");
        case kNotADatabase: return QStringLiteral("это не файл базы данных");
        default: return QStringLiteral("ошибка SQLite %1").arg(error.nativeErrorCode());
        }
    }
};

void exec(QSqlQuery &query)
{
    if (!query.exec())
        throw SqlFailure{query.lastError()};
}

QSqlQuery run(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw SqlFailure{query.lastError()};
    return query;
}

QSqlQuery run(const QSqlDatabase &db, const char *sql)
{
    return run(db, QString::fromLatin1(sql));
}

QSqlQuery prepared(const QSqlDatabase &db, const char *sql)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(sql)))
        throw SqlFailure{query.lastError()};
    return query;
}

QVariant single(const QSqlDatabase &db, const char *sql)
{
    QSqlQuery query = run(db, sql);
    return query.next() ? query.value(0) : QVariant();
}

// BEGIN IMMEDIATE takes the write lock at once, so that a busy database is found before
// anything is written; the destructor rolls back whatever was not committed.
class WriteTransaction
{
public:
    explicit WriteTransaction(const QSqlDatabase &db) : m_db(db) { run(m_db, "BEGIN IMMEDIATE"); }
    ~WriteTransaction()
    {
        if (!m_done) {
            QSqlQuery rollback(m_db);
            rollback.exec(QStringLiteral("ROLLBACK"));
        }
    }
    void Commit()
    {
        run(m_db, "COMMIT");
        m_done = true;
    }

private:
    const QSqlDatabase &m_db;
    bool m_done = false;
};

// A null QString binds as SQL NULL; "none" is kept as an empty text.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

void insert(QSqlQuery &query, const JournalEntry &entry)
{
    const QDateTime start = JournalMoment(entry.start);
    query.bindValue(0, start.toSecsSinceEpoch());
    query.bindValue(1, start.offsetFromUtc());
    query.bindValue(2, entry.plannedMinutes);
    query.bindValue(3, entry.meditatedSeconds);
    query.bindValue(4, text(entry.technique));
    query.bindValue(5, text(entry.instructor));
    query.bindValue(6, text(entry.preparation));
    query.bindValue(7, text(entry.background));
    query.bindValue(8, EndingCode(entry.ending));
    exec(query);
}

JournalEntry readEntry(const QSqlQuery &query)
{
    JournalEntry entry;
    entry.id = query.value(0).toLongLong();
    entry.start = QDateTime::fromSecsSinceEpoch(query.value(1).toLongLong(), Qt::OffsetFromUTC,
                                                query.value(2).toInt());
    entry.plannedMinutes = query.value(3).toInt();
    entry.meditatedSeconds = query.value(4).toInt();
    entry.technique = query.value(5).toString();
    entry.instructor = query.value(6).toString();
    entry.preparation = query.value(7).toString();
    entry.background = query.value(8).toString();
    entry.ending = EndingFromCode(query.value(9).toString()).value_or(JournalEnding::Failed);
    return entry;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString backupNameFor(const QString &path)
{
    const QString base = path + QStringLiteral(".bak");
    for (int n = 0; n <= kMaxNumberedBackups; ++n) {
        const QString candidate = n == 0 ? base : base + QLatin1Char('.') + QString::number(n);
        if (!QFileInfo::exists(candidate) && !QFileInfo::exists(candidate + QStringLiteral("-wal")))
            return candidate;
    }
    return QString();
}

QString uniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("nesvara-journal-%1").arg(++counter);
}

} // namespace

PracticeJournal::PracticeJournal(const QString &folder)
    : m_folder(folder)
    , m_path(QDir(folder).filePath(FileName()))
    , m_connection(uniqueConnectionName())
{
}

PracticeJournal::~PracticeJournal()
{
    CloseDatabase();
}

void PracticeJournal::CloseDatabase()
{
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_open = false;
}

PracticeJournal::Trouble PracticeJournal::OpenDatabase(QString &detail)
{
    CloseDatabase();
    if (!QDir().mkpath(m_folder)) {
        detail = QStringLiteral("не удалось создать папку");
        return Trouble::ReadOnly;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid()) {
        detail = QStringLiteral("нет драйвера SQLite для Qt (пакет libqt6sql6-sqlite)");
        return Trouble::Other;
    }
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    try {
        if (!db.open())
            throw SqlFailure{db.lastError()};
        const QString check = single(db, "PRAGMA quick_check").toString();
        if (check != QStringLiteral("ok")) {
            detail = QStringLiteral("проверка целостности не прошла");
            return Trouble::Unusable;
        }
        m_open = true;
        return PrepareSchema(detail);
    } catch (const SqlFailure &failure) {
        detail = failure.text();
        switch (failure.kind()) {
        case Kind::Damaged:
        case Kind::Locked: return Trouble::Unusable;
        case Kind::ReadOnly: return Trouble::ReadOnly;
        case Kind::Other: return Trouble::Other;
        }
        return Trouble::Other;
    }
}

PracticeJournal::Trouble PracticeJournal::PrepareSchema(QString &detail)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const int version = single(db, "PRAGMA user_version").toInt();
    if (version > kSchemaVersion) {
        detail = QStringLiteral("его записала более новая версия программы");
        return Trouble::Other;
    }
    if (version == kSchemaVersion) {
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT %1 FROM meditations LIMIT 0").arg(QLatin1String(kColumns)))) {
            detail = QStringLiteral("нет таблицы медитаций");
            return Trouble::Unusable;
        }
    } else if (single(db, "SELECT count(*) FROM sqlite_schema").toInt() != 0) {
        // Any other SQLite file under this name is not a journal; it is set aside as it is.
        detail = QStringLiteral("это не дневник практики");
        return Trouble::Unusable;
    }
    const QString mode = single(db, "PRAGMA journal_mode=WAL").toString();
    if (mode.compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0) {
        detail = QStringLiteral("режим WAL недоступен");
        return Trouble::ReadOnly;
    }
    run(db, "PRAGMA synchronous=FULL");
    if (version == kSchemaVersion)
        return Trouble::None;
    WriteTransaction transaction(db);
    run(db, kCreateTable);
    run(db, QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
    transaction.Commit();
    return Trouble::None;
}

bool PracticeJournal::SetAside(QString &message, const QString &why)
{
    CloseDatabase();
    const QString backup = backupNameFor(m_path);
    const QString wal = m_path + QStringLiteral("-wal");
    const QString shm = m_path + QStringLiteral("-shm");
    const bool moved = !backup.isEmpty() && QFile::rename(m_path, backup)
                       && (!QFileInfo::exists(wal) || QFile::rename(wal, backup + QStringLiteral("-wal")));
    if (!moved) {
        Disable(QStringLiteral("файл \"%1\" нельзя использовать (%2), и его не удалось сохранить в стороне")
                    .arg(native(m_path), why));
        message = m_disabledReason;
        return false;
    }
    // The shared-memory index belongs to the old file and is rebuilt for the new one.
    QFile::remove(shm);
    if (!message.isEmpty())
        message += QLatin1Char('\n');
    message += QStringLiteral("Файл дневника практики \"%1\" нельзя использовать (%2). "
                              "Он сохранён как \"%3\", начат новый дневник.")
                   .arg(native(m_path), why, native(backup));
    return true;
}

PracticeJournal::Outcome PracticeJournal::Disable(const QString &detail)
{
    CloseDatabase();
    m_disabledReason = QStringLiteral("Дневник практики отключён: %1. Медитации не записываются.").arg(detail);
    return {false, m_disabledReason};
}

bool PracticeJournal::EnsureOpen(QString &message)
{
    if (Disabled())
        return false;
    if (m_open)
        return true;
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString detail;
        switch (OpenDatabase(detail)) {
        case Trouble::None: return true;
        case Trouble::Unusable:
            if (attempt == 0 && SetAside(message, detail))
                continue;
            if (!Disabled())
                message = Disable(detail).message;
            return false;
        case Trouble::ReadOnly:
            message = Disable(QStringLiteral("в папку \"%1\" нельзя записывать (%2)").arg(native(m_folder), detail))
                          .message;
            return false;
        case Trouble::Other:
            message = Disable(QStringLiteral("не удалось открыть \"%1\" (%2)").arg(native(m_path), detail)).message;
            return false;
        }
    }
    return false;
}

template<typename Work>
PracticeJournal::Outcome PracticeJournal::Run(const QString &what, Work work)
{
    Outcome outcome;
    if (!EnsureOpen(outcome.message))
        return outcome;
    for (int attempt = 0;; ++attempt) {
        try {
            work(QSqlDatabase::database(m_connection, false));
            outcome.ok = true;
            if (m_closeAfterEachUse)
                CloseDatabase();
            return outcome;
        } catch (const SqlFailure &failure) {
            const Kind kind = failure.kind();
            if ((kind == Kind::Damaged || kind == Kind::Locked) && attempt == 0) {
                const QString why = failure.text();
                // The program holding the lock still has the old file open, and SQLite
                // deletes NAME-wal and NAME-shm by name when it closes: the new database
                // then must not leave anything in them between two uses.
                if (kind == Kind::Locked)
                    m_closeAfterEachUse = true;
                if (SetAside(outcome.message, why) && EnsureOpen(outcome.message))
                    continue;
                return outcome;
            }
            if (kind == Kind::ReadOnly) {
                outcome.message = Disable(QStringLiteral("в папку \"%1\" нельзя записывать (%2)")
                                              .arg(native(m_folder), failure.text()))
                                      .message;
                return outcome;
            }
            if (!outcome.message.isEmpty())
                outcome.message += QLatin1Char('\n');
            outcome.message += QStringLiteral("Не удалось %1: %2").arg(what, failure.text());
            return outcome;
        }
    }
}

PracticeJournal::Outcome PracticeJournal::Record(const JournalEntry &entry)
{
    if (entry.meditatedSeconds < kShortestRecordedSeconds)
        return {true, QString()};
    return Run(QStringLiteral("записать медитацию в дневник практики"), [&](const QSqlDatabase &db) {
        WriteTransaction transaction(db);
        QSqlQuery query = prepared(db, kInsert);
        insert(query, entry);
        transaction.Commit();
    });
}

PracticeJournal::Outcome PracticeJournal::Load(std::vector<JournalEntry> &entries)
{
    return Run(QStringLiteral("прочитать дневник практики"), [&](const QSqlDatabase &db) {
        std::vector<JournalEntry> read;
        QSqlQuery count = run(db, "SELECT count(*) FROM meditations");
        read.reserve(count.next() ? std::size_t(count.value(0).toLongLong()) : 0);
        QSqlQuery query = run(db, QStringLiteral("SELECT %1 FROM meditations ORDER BY start_utc DESC, id DESC")
                                      .arg(QLatin1String(kColumns)));
        while (query.next())
            read.push_back(readEntry(query));
        if (query.lastError().isValid())
            throw SqlFailure{query.lastError()};
        entries = std::move(read);
    });
}

PracticeJournal::Outcome PracticeJournal::Remove(qint64 id)
{
    return Run(QStringLiteral("удалить запись из дневника практики"), [&](const QSqlDatabase &db) {
        QSqlQuery query = prepared(db, "DELETE FROM meditations WHERE id = ?");
        query.bindValue(0, id);
        exec(query);
    });
}

PracticeJournal::Outcome PracticeJournal::Merge(const std::vector<JournalEntry> &entries, int &added)
{
    added = 0;
    int stored = 0;
    const Outcome outcome = Run(QStringLiteral("добавить медитации в дневник практики"), [&](const QSqlDatabase &db) {
        stored = 0;
        WriteTransaction transaction(db);
        QSqlQuery query = prepared(db, kInsert);
        for (const JournalEntry &entry : entries) {
            insert(query, entry);
            stored += query.numRowsAffected() > 0 ? 1 : 0;
        }
        transaction.Commit();
    });
    if (outcome.ok)
        added = stored;
    return outcome;
}
