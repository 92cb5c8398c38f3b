#include "console/fonts.h"

#include <QStringList>

namespace console {
namespace {
const QString windowFamily = QStringLiteral("MS Sans Serif");
// Windows' own scalable version of its old bitmap font: the same letters, and all of Czech on
// every Windows, where the bitmap font has them only on a Czech one.
const QString windowFamilyTrueType = QStringLiteral("Microsoft Sans Serif");
const QString largeFamily = QStringLiteral("Arial CE");
} // namespace

void installFontSubstitutions()
{
    QFont::insertSubstitutions(windowFamily, QStringList() << QStringLiteral("DejaVu Sans")
                                                           << QStringLiteral("Sans Serif"));
    QFont::insertSubstitutions(largeFamily, QStringList() << QStringLiteral("Liberation Sans")
                                                          << QStringLiteral("Arial")
                                                          << QStringLiteral("DejaVu Sans"));
}

QFont windowFont()
{
    QFont font;
    font.setFamilies({ windowFamilyTrueType, windowFamily });
    font.setPixelSize(11);
    return font;
}

QFont largeFont()
{
    QFont font(largeFamily);
    font.setPixelSize(27);
    font.setBold(true);
    return font;
}

} // namespace console
