#include "app/PelkFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

QString PelkFontFamily()
{
    static const QString family = [] {
        // The windows are laid out for Arial's widths (the language selector draws its
        // descriptions at a fixed offset), so a font with Arial's metrics comes next.
        const QStringList families = QFontDatabase::families();
        for (const char *candidate : {"Arial Unicode MS", "Arial", "Liberation Sans"}) {
            const QString name = QLatin1String(candidate);
            if (families.contains(name, Qt::CaseInsensitive))
                return name;
        }
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
