// The private CUPS server that tools/cups-pdf.sh starts, with its default
// PDF printer "TricomaPDF". Call useCupsServer() before anything in the
// test program asks for printers: the CUPS client keeps the first server
// it was pointed at for the rest of the process (ctest runs each test in a
// process of its own).
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QString>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>

namespace testsupport {

inline QString cupsDir() {
    const char* d = std::getenv("TRICOMA_CUPS_DIR");
    return d && *d ? QString::fromLocal8Bit(d) : QStringLiteral("/tmp/tricoma-cups");
}

inline const char* kCupsQueue = "TricomaPDF";

// Points this process's CUPS client at the private server. False, with
// the reason in `why`, when no such server runs.
inline bool useCupsServer(QString& why) {
    const QString sock = cupsDir() + QStringLiteral("/cups.sock");
    if (!QFileInfo(sock).exists()) {
        why = QStringLiteral("no CUPS test server at %1: start one with `sudo tools/cups-pdf.sh start`").arg(sock);
        return false;
    }
    // One printing test at a time: each finds its job among the queue's
    // output, and ctest runs tests in parallel. The lock lives as long as
    // this test's process.
    static const int lock = [] {
        const int fd = ::open((cupsDir() + QStringLiteral("/tests.lock")).toLocal8Bit().constData(),
                              O_CREAT | O_RDWR | O_CLOEXEC, 0644);
        if (fd >= 0) ::flock(fd, LOCK_EX);
        return fd;
    }();
    (void)lock;
    setenv("CUPS_SERVER", sock.toLocal8Bit().constData(), 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    if (QPrinterInfo::defaultPrinterName() != QLatin1String(kCupsQueue)) {
        why = QStringLiteral("the CUPS test server at %1 has no default printer %2 (was another server "
                             "used earlier in this process?)")
                  .arg(sock, QLatin1String(kCupsQueue));
        return false;
    }
    return true;
}

// Makes sure no CUPS server answers this process.
inline void useNoCupsServer() {
    setenv("CUPS_SERVER", "/nonexistent/tricoma/cups.sock", 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
}

}  // namespace testsupport
