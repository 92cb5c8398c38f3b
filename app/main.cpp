#include "platform/dialogs.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::setApplicationTitle(QStringLiteral("Bodovka"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bodovka"));
    window.resize(779, 591);
    window.show();
    return app.exec();
}
