#include "base/PelkFonts.h"

#include <QStringList>

QFont PelkFont(int pixelSize)
{
    QFont font;
    // The windows are laid out for Arial's widths (the language selector draws its
    // descriptions at a fixed offset), so fonts with Arial's metrics come next; the
    // style hint brings the system's sans-serif when none of them is installed.
    // Naming the candidates spares listing every installed family at start.
    font.setFamilies({QStringLiteral("Arial Unicode MS"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}
