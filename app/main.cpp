#include "app/langue.h"
#include "app/mainwindow.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    traduitQt(&app);
    // every text file of the program is written and read with a decimal point,
    // whatever the user's language
    setlocale(LC_NUMERIC, "C");
    MainWindow* window = new MainWindow;
    window->show();
    return app.exec();
}
