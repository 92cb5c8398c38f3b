#include "console/startup.h"
#include "console/unit1.h"
#include "console/unit2.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    console::prepareScaling();
    QApplication app(argc, argv);
    console::prepareApplication(app);
    TForm1 form1;
    TForm2 form2(&form1);
    form1.show();
    return app.exec();
}
