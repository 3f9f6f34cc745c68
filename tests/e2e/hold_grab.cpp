// hold_grab: holds the keyboard and pointer, as a tray host's menu does while it closes; says
// "held" and keeps them until it is ended. hold_grab free: exits 0 if nothing holds the keyboard.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const Window root = DefaultRootWindow(display);
    const bool keyboard = XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync,
                                        CurrentTime) == GrabSuccess;
    if (argc > 1 && std::strcmp(argv[1], "free") == 0)
        return keyboard ? 0 : 1;
    if (!keyboard || XGrabPointer(display, root, False, ButtonPressMask, GrabModeAsync,
                                  GrabModeAsync, None, None, CurrentTime) != GrabSuccess)
        return 1;
    XSync(display, False);
    std::puts("held");
    std::fflush(stdout);
    pause();
    return 0;
}
