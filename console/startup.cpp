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

    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Czech, QLocale::CzechRepublic), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(translator);
    }
    installFontSubstitutions();
    app.setFont(windowFont());
}

} // namespace console
