// The player: the main window's constructor is the start-up, then the
// event loop runs until the window quits (soft key, close button, SIGTERM).
#include "CommandLine.h"
#include "RunningPlayer.h"
#include "Wavelark.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // Answered without a display, which the application object needs.
    if (asksForInformation(argc, argv))
        return parseCommandLine(argc, argv).quitStatus;
    // The window repaints a line or two at a time: sending those pixels over
    // the X connection costs less than the round trip that a shared-memory
    // image needs before each repaint. Only for our own connection: what the
    // player starts (a browser) gets the environment it had.
    const bool sharedImages = !qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    if (sharedImages)
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    if (sharedImages)
        qunsetenv("QT_XCB_NO_MITSHM");
    // Read after the application object has taken Qt's own options out.
    const CommandLineOptions options = parseCommandLine(argc, argv);
    if (handOverToRunningPlayer(options))
        return 0;
    auto *window = new Wavelark(options);
    // The usage line was printed: end without showing the window.
    if (window->quitRequested()) {
        const int status = window->quitStatus();
        delete window;
        return status;
    }
    window->show();
    const int code = app.exec();
    // The stream was stopped by the quit; freeing the window lets leak
    // checkers see a clean end.
    delete window;
    return code;
}
