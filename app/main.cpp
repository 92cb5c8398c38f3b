#include "console/startup.h"
#include "console/unit1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    console::prepareScaling();
    QApplication app(argc, argv);
    console::prepareApplication(app);
    TForm1 form1; // the time dialog is built when it is first opened
    form1.show();
    return app.exec();
}
