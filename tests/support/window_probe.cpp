// Starts one edition's main window as its program does, waits until the window
// manager has framed it, and prints where the frame and the screen are:
//
//   window_probe corvane|varnholt|meriton
//   -> "screen X Y W H", "frame X Y W H", "client X Y W H"
//
// The window-manager tests run it on an X server of their own, since the
// offscreen platform has no frame to measure.
#include "platform/core/program.h"
#include "platform/speech/voice.h"
#include "reader/edition_profile.h"
#include "reader/frmmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTextStream>
#include <QWindow>

namespace {

QString box(const QRect& r)
{
    return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString edition = app.arguments().value(1);
    const reader::EditionProfile profile = edition == "varnholt" ? reader::varnholtEdition()
                                           : edition == "meriton" ? reader::meritonEdition()
                                                                  : reader::generalEdition();
    platform::setUpChineseEnvironment(app);
    app.setQuitOnLastWindowClosed(false);
    {
        // A window manager started just before may not have taken the screen
        // over yet: wait until a window of ours gets a frame.
        QElapsedTimer waited;
        waited.start();
        bool framed = false;
        while (!framed && waited.elapsed() < 10000) {
            QWindow scout;
            scout.resize(50, 50);
            scout.show();
            settle(300);
            framed = !scout.frameMargins().isNull();
        }
    }
    reader::frmmain window(profile, [] { return std::unique_ptr<platform::SpVoice>(); });
    window.Form_Load();
    window.show();
    // Framed when the window manager has said how thick the frame is; then the
    // program's own correction and the manager's answer to it have to pass.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 15000 && window.windowHandle()->frameMargins().isNull())
        settle(50);
    // Then until frame and client have kept still for a second.
    QRect frame, client;
    for (int still = 0; still < 10 && waited.elapsed() < 30000;) {
        settle(100);
        still = window.frameGeometry() == frame && window.geometry() == client ? still + 1 : 0;
        frame = window.frameGeometry();
        client = window.geometry();
    }
    QTextStream out(stdout);
    out << "screen " << box(window.screen()->geometry()) << "\n";
    out << "frame " << box(window.frameGeometry()) << "\n";
    out << "client " << box(window.geometry()) << "\n";
    return 0;
}
