#include "journal/ui/JournalTableModel.h"

#include <QCollator>
#include <algorithm>

namespace {

QString dash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("—") : text;
}

QString textOf(const JournalEntry &entry, int column)
{
    switch (column) {
    case JournalTableModel::Technique: return entry.technique;
    case JournalTableModel::Instructor: return entry.instructor;
    case JournalTableModel::Preparation: return entry.preparation;
    case JournalTableModel::Background: return entry.background;
    case JournalTableModel::Ending: return EndingText(entry.ending);
    default: return QString();
    }
}

} // namespace

JournalTableModel::JournalTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void JournalTableModel::SetEntries(std::vector<JournalEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    SortEntries();
    endResetModel();
}

int JournalTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int JournalTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString JournalTableModel::StartText(const JournalEntry &entry)
{
    return entry.start.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

QString JournalTableModel::DurationText(qint32 seconds)
{
    const qint32 hours = seconds / 3600;
    const qint32 minutes = seconds / 60 % 60;
    const qint32 rest = seconds % 60;
    const auto two = [](qint32 value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    return hours > 0 ? QStringLiteral("%1:%2:%3").arg(hours).arg(two(minutes), two(rest))
                     : QStringLiteral("%1:%2").arg(minutes).arg(two(rest));
}

QVariant JournalTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const JournalEntry &entry = EntryAt(index.row());
    if (role == Qt::TextAlignmentRole && (index.column() == Planned || index.column() == Meditated))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.column() >= Technique)
        return textOf(entry, index.column());
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case Start: return StartText(entry);
    case Planned: return QString::number(entry.plannedMinutes);
    case Meditated: return DurationText(entry.meditatedSeconds);
    case Preparation:
    case Background: return dash(textOf(entry, index.column()));
    default: return textOf(entry, index.column());
    }
}

QVariant JournalTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Start: return QStringLiteral("Начало");
    case Planned: return QStringLiteral("План, мин");
    case Meditated: return QStringLiteral("Медитация");
    case Technique: return QStringLiteral("Техника");
    case Instructor: return QStringLiteral("Инструктор");
    case Preparation: return QStringLiteral("Подготовка");
    case Background: return QStringLiteral("Фоновый звук");
    case Ending: return QStringLiteral("Завершение");
    default: return QVariant();
    }
}

void JournalTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_sortColumn = column;
    m_sortOrder = order;
    SortEntries();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void JournalTableModel::SortEntries()
{
    // Equal keys fall back to the start, newest first, so the order never looks random.
    const auto byStart = [](const JournalEntry &a, const JournalEntry &b) {
        return a.start.toSecsSinceEpoch() != b.start.toSecsSinceEpoch()
                   ? a.start.toSecsSinceEpoch() > b.start.toSecsSinceEpoch()
                   : a.id > b.id;
    };
    std::stable_sort(m_entries.begin(), m_entries.end(), byStart);
    if (m_sortColumn == Start) {
        if (m_sortOrder == Qt::AscendingOrder)
            std::reverse(m_entries.begin(), m_entries.end());
        return;
    }
    const int column = m_sortColumn;
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    const auto ordered = [ascending](auto a, auto b) { return ascending ? a < b : b < a; };
    if (column == Planned) {
        std::stable_sort(m_entries.begin(), m_entries.end(), [&](const JournalEntry &a, const JournalEntry &b) {
            return ordered(a.plannedMinutes, b.plannedMinutes);
        });
    } else if (column == Meditated) {
        std::stable_sort(m_entries.begin(), m_entries.end(), [&](const JournalEntry &a, const JournalEntry &b) {
            return ordered(a.meditatedSeconds, b.meditatedSeconds);
        });
    } else {
        QCollator collator(QLocale(QLocale::Russian));
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(m_entries.begin(), m_entries.end(), [&](const JournalEntry &a, const JournalEntry &b) {
            const int compared = collator.compare(textOf(a, column), textOf(b, column));
            return ascending ? compared < 0 : compared > 0;
        });
    }
}
