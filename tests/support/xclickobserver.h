#pragma once

#include <vector>

struct _XDisplay;

/// An X client of its own that sees synthetic clicks as any application would: an
/// override-redirect window over a rectangle of the screen records the button events that
/// land in it. Selecting them on its own window, never on the root, where only one client may.
class XClickObserver final
{
public:
    struct ButtonEvent
    {
        bool pressed;
        unsigned int button;
        int x; ///< root-window coordinates
        int y;
        unsigned long serverTimeMs;
    };

    XClickObserver(int x, int y, int width, int height);
    ~XClickObserver();
    XClickObserver(const XClickObserver &) = delete;
    XClickObserver &operator=(const XClickObserver &) = delete;

    /// The button events that arrived since the last call (waiting up to `waitMs` for more).
    std::vector<ButtonEvent> take(int waitMs = 300);

    /// Where the server has the pointer now.
    void pointer(int &x, int &y) const;

private:
    _XDisplay *display;
    unsigned long window;
};
