#include <QApplication>
#include <gtest/gtest.h>

#include "platform/core/program.h"

namespace {
QtMessageHandler g_previous = nullptr;

// The offscreen platform says this for every fixed-size widget; it tells nothing about the program.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (g_previous)
        g_previous(type, context, message);
}
}

int main(int argc, char** argv)
{
    g_previous = qInstallMessageHandler(quietHandler);
    // Tests never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::setUpChineseEnvironment(app);
    // The tests do not run beside the programs, where the helper programs lie.
    platform::setHelperProgramFolder(QStringLiteral(AURELIS_HELPER_DIR));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
