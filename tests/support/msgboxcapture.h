// Message boxes in tests: none may block on a modal dialog.
#pragma once

#include <QString>
#include <cstdio>
#include <vector>

#include "platform/msgbox.h"

namespace testsupport {

// The hook every Qt test program starts with: a box nobody expected is
// printed and answered with OK, so the test goes on instead of hanging.
inline void installQuietMessageBoxes() {
    platform::setMessageBoxHook([](const QString& text, const QString& caption, unsigned) {
        std::fprintf(stderr, "[message box] %s: %s\n", qPrintable(caption), qPrintable(text));
        return int(platform::IDOK);
    });
}

// Records the boxes shown while it lives, answering each with `answer`.
class MessageBoxCapture {
public:
    struct Box {
        QString text;
        QString caption;
        unsigned flags;
    };
    explicit MessageBoxCapture(int answer = platform::IDOK) {
        platform::setMessageBoxHook([this, answer](const QString& text, const QString& caption, unsigned flags) {
            boxes.push_back(Box{text, caption, flags});
            return answer;
        });
    }
    ~MessageBoxCapture() { installQuietMessageBoxes(); }
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

    std::vector<Box> boxes;
};

}  // namespace testsupport
