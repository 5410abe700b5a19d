#include <QApplication>

#include "platform/core/program.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::setUpChineseEnvironment(app);
    return 0;
}
