#include "app/appstate.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initQ4Resources();
    return 0;
}
