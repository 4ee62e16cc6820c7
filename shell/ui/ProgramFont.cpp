#include "shell/ui/ProgramFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont ProgramFont(int pixels)
{
    static const bool hasTahoma = QFontDatabase::families().contains(QStringLiteral("Tahoma"));
    QFont font = hasTahoma ? QFont(QStringLiteral("Tahoma")) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!hasTahoma)
        font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}
