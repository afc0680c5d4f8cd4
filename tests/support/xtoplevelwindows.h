#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

struct _XDisplay;

/// Finds and drives another process's top-level windows through the X server, the way a
/// window manager would: by title, with the icon the window advertises, and closing it
/// with WM_DELETE_WINDOW. Uses its own connection to the display named by DISPLAY.
class XTopLevelWindows final
{
public:
    XTopLevelWindows();
    ~XTopLevelWindows();
    XTopLevelWindows(const XTopLevelWindows &) = delete;
    XTopLevelWindows &operator=(const XTopLevelWindows &) = delete;

    /// False when no X display could be opened.
    bool isConnected() const;

    /// The mapped window whose _NET_WM_NAME is `title`, polled until the time-out; 0 if none.
    unsigned long waitForWindow(const QString &title, int timeoutMs) const;

    /// Whether a mapped window titled `title` exists right now.
    bool hasWindow(const QString &title) const;

    /// Size of the first image in the window's _NET_WM_ICON; empty when it has none.
    QSize iconSize(unsigned long window) const;

    /// Asks the window's owner to close it, as a window manager's close button does.
    void requestClose(unsigned long window) const;

    /// Sends a key press and release to the window (e.g. XK_Escape), through XTest.
    void pressKey(unsigned long window, unsigned long keysym) const;

private:
    unsigned long findMapped(unsigned long parent, const QString &title) const;
    QString title(unsigned long window) const;
    /// The raw items of a window property of the given type, at most maxItems of them.
    QByteArray property(unsigned long window, const char *name, unsigned long type,
                        long maxItems) const;

    _XDisplay *display = nullptr;
};
