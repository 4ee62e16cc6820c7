#include "DialogTestSupport.h"

#include "playlists/ui/DialogHooks.h"
#include "playlists/ui/Mp3FileDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

// The texts of the detail view's rows under the folder shown, by column.
QList<QStringList> DetailRows(QFileDialog &dialog)
{
    auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    QList<QStringList> rows;
    if (!details)
        return rows;
    const QAbstractItemModel *model = details->model();
    const QModelIndex root = details->rootIndex();
    for (int row = 0; row < model->rowCount(root); ++row) {
        QStringList texts;
        for (int column = 0; column < 4; ++column)
            texts << model->index(row, column, root).data().toString();
        rows << texts;
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Answers the next modal file dialog with `answer` once it is up.
void AnswerFileDialog(const std::function<void(QFileDialog &)> &answer)
{
    QTimer::singleShot(0, [answer] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

} // namespace

class TestMp3FileDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Music(const QString &name) const { return m_dir.filePath(QStringLiteral("Утро/") + name); }

private slots:
    void initTestCase()
    {
        for (const QString &name : {QStringLiteral("c.mp3"), QStringLiteral("a.mp3"), QStringLiteral("b.MP3"),
                                   QStringLiteral("readme.txt"), QStringLiteral("Вложенная/d.mp3")})
            TouchFile(Music(name));
    }

    // One real dialog gives many files in the order chosen; the next one opens where the
    // user chose them.
    void manyFilesInOneDialogInOrder()
    {
        FilesChooser chooseFiles = StandardFilesChooser();
        AnswerFileDialog([&](QFileDialog &dialog) {
            QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFiles);
            QCOMPARE(dialog.directory().absolutePath(), Mp3DialogFolder());
            dialog.setDirectory(Music(QString()));
            dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("\"c.mp3\" \"a.mp3\" \"b.MP3\""));
            auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
            QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("Открыть"));
            buttons->button(QDialogButtonBox::Open)->click();
        });
        const QStringList chosen = chooseFiles(nullptr, QStringLiteral("Выберите файлы"));
        QCOMPARE(chosen, (QStringList{Music(QStringLiteral("c.mp3")), Music(QStringLiteral("a.mp3")),
                                      Music(QStringLiteral("b.MP3"))}));

        FileChooser chooseFile = StandardFileChooser();
        QString openedAt;
        AnswerFileDialog([&](QFileDialog &dialog) {
            openedAt = dialog.directory().absolutePath();
            QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        });
        QCOMPARE(chooseFile(nullptr, QStringLiteral("Выберите файл")), QString());
        QCOMPARE(openedAt, QDir::cleanPath(Music(QString())));
    }

    // MP3 files first, every file on request; the columns speak Russian, are wide enough for
    // their texts, and the dialog fits the screen.
    void russianColumnsThatFit()
    {
        QFileDialog *dialog = NewMp3FileDialog(nullptr, QStringLiteral("Выберите файл"), false);
        dialog->setDirectory(Music(QString()));
        dialog->show();
        QCOMPARE(dialog->nameFilters(),
                 (QStringList{QStringLiteral("Файлы MP3 (*.mp3 *.MP3)"), QStringLiteral("Все файлы (*)")}));
        QTRY_COMPARE(DetailRows(*dialog).size(), 4);
        const QList<QStringList> rows = DetailRows(*dialog);
        QCOMPARE(rows.at(0).mid(0, 3), (QStringList{QStringLiteral("a.mp3"), QStringLiteral("0 Б"),
                                                    QStringLiteral("Звук MP3")}));
        QCOMPARE(rows.at(3).at(0), QStringLiteral("Вложенная"));
        QCOMPARE(rows.at(3).at(2), QStringLiteral("Папка"));
        QCOMPARE(rows.at(0).at(3), QFileInfo(Music(QStringLiteral("a.mp3"))).lastModified().toString(
                                       QStringLiteral("dd.MM.yyyy HH:mm")));

        auto *details = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
        const QFontMetrics metrics = details->fontMetrics();
        for (const QStringList &row : rows)
            for (int column = 1; column < 4; ++column)
                QVERIFY2(metrics.horizontalAdvance(row.at(column)) < details->header()->sectionSize(column),
                         qPrintable(row.at(column)));
        QCOMPARE(details->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Изменён"));

        dialog->selectNameFilter(dialog->nameFilters().at(1));
        QTRY_COMPARE(DetailRows(*dialog).size(), 5);
        QCOMPARE(DetailRows(*dialog).at(3).mid(0, 3), (QStringList{QStringLiteral("readme.txt"),
                                                                   QStringLiteral("0 Б"),
                                                                   QStringLiteral("Файл TXT")}));
        const QRect room = dialog->screen()->availableGeometry();
        QVERIFY(dialog->frameGeometry().width() <= room.width());
        QVERIFY(dialog->frameGeometry().height() <= room.height());
        delete dialog;
    }
};

QTEST_MAIN(TestMp3FileDialog)
#include "tst_mp3filedialog.moc"
