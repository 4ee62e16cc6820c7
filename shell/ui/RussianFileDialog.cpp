#include "shell/ui/RussianFileDialog.h"

#include "shell/ui/FormHelpers.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QPointer>
#include <QStandardPaths>
#include <QTreeView>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 560;

enum Column { NameColumn, SizeColumn, TypeColumn, DateColumn };

QString SizeText(qint64 bytes)
{
    const QLocale locale;
    if (bytes < 1024)
        return QStringLiteral("%1 Б").arg(bytes);
    const char *const units[] = {"КБ", "МБ", "ГБ", "ТБ"};
    double size = double(bytes) / 1024;
    int unit = 0;
    for (; size >= 1024 && unit < 3; ++unit)
        size /= 1024;
    return QStringLiteral("%1 %2").arg(locale.toString(size, 'f', size < 10 ? 1 : 0),
                                       QString::fromUtf8(units[unit]));
}

QString TypeText(const QFileInfo &info)
{
    if (info.isDir())
        return QStringLiteral("Папка");
    const QString suffix = info.suffix().toUpper();
    if (suffix == QLatin1String("MP3"))
        return QStringLiteral("Звук MP3");
    return suffix.isEmpty() ? QStringLiteral("Файл") : QStringLiteral("Файл %1").arg(suffix);
}

class RussianFileColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || !files || !index.isValid() || index.column() == NameColumn)
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        switch (index.column()) {
        case SizeColumn:
            return info.isDir() ? QString() : SizeText(info.size());
        case TypeColumn:
            return TypeText(info);
        case DateColumn:
            return info.lastModified().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
        default:
            return QIdentityProxyModel::data(index, role);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QIdentityProxyModel::headerData(section, orientation, role);
        switch (section) {
        case NameColumn:
            return QStringLiteral("Имя");
        case SizeColumn:
            return QStringLiteral("Размер");
        case TypeColumn:
            return QStringLiteral("Тип");
        case DateColumn:
            return QStringLiteral("Изменён");
        default:
            return QIdentityProxyModel::headerData(section, orientation, role);
        }
    }
};

// The name column takes what the others leave; they are as wide as their texts.
void FitColumns(QFileDialog *dialog)
{
    auto *details = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!details)
        return;
    QHeaderView *header = details->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    const QFontMetrics metrics = details->fontMetrics();
    const int pad = 3 * metrics.averageCharWidth();
    header->resizeSection(SizeColumn, metrics.horizontalAdvance(QStringLiteral("1023 КБ")) + pad);
    header->resizeSection(TypeColumn, metrics.horizontalAdvance(QStringLiteral("Файл JPEG")) + pad);
    header->resizeSection(DateColumn, metrics.horizontalAdvance(QStringLiteral("00.00.0000 00:00")) + pad);
}

QList<QUrl> Places()
{
    QList<QUrl> places{QUrl::fromLocalFile(QDir::homePath())};
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (QFileInfo(music).isDir() && music != QDir::homePath())
        places << QUrl::fromLocalFile(music);
    places << QUrl::fromLocalFile(QDir::rootPath());
    return places;
}

QString FileNameLabel(QFileDialog::AcceptMode accept, QFileDialog::FileMode files)
{
    if (accept == QFileDialog::AcceptSave)
        return QStringLiteral("Имя файла:");
    return files == QFileDialog::ExistingFiles ? QStringLiteral("Файлы:") : QStringLiteral("Файл:");
}

} // namespace

QFileDialog *NewRussianFileDialog(QWidget *parent, const QString &title, const QString &folder,
                                  const QString &filter, QFileDialog::AcceptMode accept,
                                  QFileDialog::FileMode files)
{
    auto *dialog = new QFileDialog(parent, title, folder, filter);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(accept);
    dialog->setFileMode(files);
    dialog->setViewMode(QFileDialog::Detail);
    dialog->setProxyModel(new RussianFileColumns(dialog));
    dialog->setSidebarUrls(Places());
    dialog->setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
    dialog->setLabelText(QFileDialog::FileName, FileNameLabel(accept, files));
    dialog->setLabelText(QFileDialog::FileType, QStringLiteral("Показывать:"));
    dialog->setLabelText(QFileDialog::Accept, accept == QFileDialog::AcceptSave ? QStringLiteral("Сохранить")
                                                                                 : QStringLiteral("Открыть"));
    dialog->setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
    dialog->resize(SizeOnScreen(parent, {kWidth, kHeight}));
    FitColumns(dialog);
    return dialog;
}

QString ChooseRussianFile(QWidget *parent, const QString &title, const QString &suggested, const QString &filter,
                          QFileDialog::AcceptMode accept)
{
    const QFileInfo start(suggested);
    const QString folder = start.isDir() ? start.filePath() : start.path();
    const QFileDialog::FileMode mode = accept == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                                          : QFileDialog::ExistingFile;
    // Guarded: the dialog goes with its parent if that is closed meanwhile.
    const QPointer<QFileDialog> dialog = NewRussianFileDialog(parent, title, folder, filter, accept, mode);
    if (!start.isDir())
        dialog->selectFile(start.fileName());
    QString chosen;
    if (dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().first();
    delete dialog;
    return chosen;
}
