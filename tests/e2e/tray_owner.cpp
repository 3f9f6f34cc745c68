// Exits 0 once an XEmbed tray host owns the tray selection of screen 0, 1 after the timeout.
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    const int timeoutMs = argc > 1 ? std::atoi(argv[1]) : 5000;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const Atom selection = XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False);
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (XGetSelectionOwner(display, selection) != None) {
            XCloseDisplay(display);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    XCloseDisplay(display);
    return 1;
}
