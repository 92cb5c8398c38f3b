#include "console/startup.h"
#include "console/startup_report.h"
#include "console/unit1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    const auto began = console::StartupReport::Clock::now();
    console::prepareScaling();
    QApplication app(argc, argv);
    console::prepareApplication(app);
    TForm1 form1; // the time dialog is built when it is first opened
    console::StartupReport report(began);
    report.watch(&form1);
    form1.show();
    return app.exec();
}
