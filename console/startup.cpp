#include "console/startup.h"

#include "console/fonts.h"
#include "platform/dialogs.h"
#include "platform/message_boxes.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace console {

void prepareApplication(QApplication &app)
{
    const QString title = QStringLiteral("Bodovka");
    app.setApplicationName(title);
    platform::setApplicationTitle(title);
    platform::installMessageBoxes();

    // The copy built into the program first: the scorer's PC has no Qt installed.
    auto *translator = new QTranslator(&app);
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    const QString name = QStringLiteral("qtbase");
    const QString prefix = QStringLiteral("_");
    if (translator->load(czech, name, prefix, QStringLiteral(":/translations"))
        || translator->load(czech, name, prefix,
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(translator);
    }
    installFontSubstitutions();
    app.setFont(windowFont());
}

} // namespace console
