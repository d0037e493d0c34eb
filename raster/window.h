// The window handle the raster library talks to: it receives progress
// messages and shows the library's message boxes. Qt-free so the raster
// library can use it; the main window implements it through the platform
// layer. A null handle is allowed everywhere and means "nobody listens".
#pragma once

#include <cstdint>
#include <string>

constexpr uint32_t WM_USER = 0x0400;

class PlatformWindow {
public:
    virtual ~PlatformWindow() = default;
    // Delivered synchronously. For WM_USER, wParam is a percentage.
    virtual void sendMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
    // Modal box with one OK button; texts are UTF-8.
    virtual void messageBox(const std::string& text, const std::string& caption) = 0;
};

using HWND = PlatformWindow*;

inline void SendMessage(HWND w, uint32_t msg, uintptr_t wParam, intptr_t lParam = 0) {
    if (w) w->sendMessage(msg, wParam, lParam);
}
