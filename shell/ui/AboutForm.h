#pragma once

#include <QDialog>

class QLabel;

// "О программе": the version, the authors and the instructors.
class TAboutForm : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutForm(QWidget *parent = nullptr);

    // Fills in the version line and shows the window modally.
    void Proceed();

    QLabel *ProgVerLabel = nullptr;
    // The program's web site, a link for the browser.
    QLabel *WebSiteLabel = nullptr;
};
