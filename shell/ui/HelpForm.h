#pragma once

#include <QDialog>
#include <QList>
#include <QUrl>

class QListWidget;
class QPushButton;
class QTextBrowser;

// "Справка": the program's own help pages, compiled in, with their contents beside them.
// The window is not modal, so that the user can read while setting up a meditation.
class THelpForm : public QDialog
{
    Q_OBJECT

public:
    struct Page
    {
        QString title;
        QString file;
    };
    // The pages of the contents list, in reading order; the first is the start page.
    static const QList<Page> &Contents();
    // Where the pages live: "qrc:/help/<file>".
    static QUrl PageUrl(const QString &file);

    explicit THelpForm(QWidget *parent = nullptr);

    // Shows `file` (a page name, optionally with "#section") and brings the window up.
    void ShowPage(const QString &file);

    QListWidget *ContentsList;
    QTextBrowser *Browser;
    QPushButton *BackButton;
    QPushButton *CloseButton;

private:
    void ContentsListChange();
    void BrowserSourceChange(const QUrl &source);
};
