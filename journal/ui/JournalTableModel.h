#pragma once

#include "journal/JournalEntry.h"

#include <QAbstractTableModel>
#include <vector>

// The journal's meditations as table rows; sorting reorders the rows themselves, so that a
// sort of ten thousand rows is one std::sort, not a proxy asking for every cell.
class JournalTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Start, Planned, Meditated, Technique, Instructor, Preparation, Background, Ending, ColumnCount };

    explicit JournalTableModel(QObject *parent = nullptr);

    // Takes the entries and keeps the current sort order.
    void SetEntries(std::vector<JournalEntry> entries);
    const JournalEntry &EntryAt(int row) const { return m_entries.at(std::size_t(row)); }
    const std::vector<JournalEntry> &Entries() const { return m_entries; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    static QString StartText(const JournalEntry &entry);
    static QString DurationText(qint32 seconds);

private:
    void SortEntries();

    std::vector<JournalEntry> m_entries;
    int m_sortColumn = Start;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};
