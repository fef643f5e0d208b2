#include "app/PelkFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

QString PelkFontFamily()
{
    static const QString family = [] {
        const QString preferred = QStringLiteral("Arial Unicode MS");
        if (QFontDatabase::families().contains(preferred, Qt::CaseInsensitive))
            return preferred;
        QFont sans(QStringLiteral("sans-serif"));
        sans.setStyleHint(QFont::SansSerif);
        return QFontInfo(sans).family();
    }();
    return family;
}

QFont PelkFont(int pixelSize)
{
    QFont font(PelkFontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}
