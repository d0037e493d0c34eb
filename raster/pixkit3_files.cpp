// Reading and writing picture files: the dispatcher over the codecs and the
// safe replacement of an existing file. Which codec serves which format, and
// the dialog filter texts, come from the format table (raster/formats.h).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "raster/PixKit3.h"
#include "raster/codecs/dispatch.h"
#include "raster/formats.h"
#include "raster/limits.h"
#include "raster/safewrite.h"

namespace {

using pixkit::Status;
using pixkit::SaveResult;

Status readWholeFile(const char* name, std::vector<uint8_t>& data) {
    std::FILE* f = std::fopen(name, "rb");
    if (!f) return Status::CannotOpen;
    struct stat st {};
    Status s = Status::Ok;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        s = Status::CannotOpen;
    } else if (st.st_size > pixkit::kMaxDecodeFileBytes) {
        s = Status::TooLarge;
    } else {
        try {
            data.resize(size_t(st.st_size));
        } catch (const std::bad_alloc&) {
            s = Status::NoMemory;
        }
        if (s == Status::Ok && !data.empty() && std::fread(data.data(), 1, data.size(), f) != data.size())
            s = Status::CannotOpen;
    }
    std::fclose(f);
    return s;
}

Status decode(const uint8_t* data, size_t size, dib& out, const pixkit::Progress& progress) {
    if (!data || size == 0) return Status::Truncated;
    for (const pixkit::Format* f : pixkit::probeOrder()) {
        if (!f->probe(data, size)) continue;
        Status s;
        try {
            s = f->read(data, size, out, progress);
        } catch (const std::bad_alloc&) {
            s = Status::NoMemory;
        }
        if (s == Status::Ok && (!out.poi || !pixkit::isWorkingDepth(dibbitcount(out)))) s = Status::Unsupported;
        if (s != Status::Ok) freedib(out);
        return s;
    }
    return Status::UnknownFormat;
}

// ------------------------------------------------------------------ saving

SaveResult fail(const std::string& reason) { return SaveResult{false, reason}; }

// The test seam's budget; -1 when there is none.
int64_t writeLimit = -1;

struct LimitedFile {
    int fd;
    int64_t left;
};

ssize_t limitedWrite(void* cookie, const char* buf, size_t size) {
    auto* c = static_cast<LimitedFile*>(cookie);
    size_t n = size;
    if (int64_t(n) > c->left) n = size_t(c->left);
    if (n == 0 && size > 0) {
        errno = ENOSPC;
        return -1;
    }
    ssize_t w = ::write(c->fd, buf, n);
    if (w > 0) c->left -= w;
    // stdio stops at a short count; a full disk says why.
    if (w >= 0 && size_t(w) < size) errno = ENOSPC;
    return w;
}

int limitedSeek(void* cookie, off64_t* pos, int whence) {
    off64_t r = lseek64(static_cast<LimitedFile*>(cookie)->fd, *pos, whence);
    if (r < 0) return -1;
    *pos = r;
    return 0;
}

int limitedClose(void* cookie) {
    auto* c = static_cast<LimitedFile*>(cookie);
    int r = close(c->fd);
    delete c;
    return r;
}

ssize_t limitedRead(void* cookie, char* buf, size_t size) {
    return ::read(static_cast<LimitedFile*>(cookie)->fd, buf, size);
}

// The stream a writer gets: the file itself, or under the test seam the
// file behind a byte budget.
std::FILE* openStream(int fd) {
    if (writeLimit < 0) return fdopen(fd, "w+b");
    cookie_io_functions_t io{limitedRead, limitedWrite, limitedSeek, limitedClose};
    std::FILE* f = fopencookie(new LimitedFile{fd, writeLimit}, "w+b", io);
    return f;
}

}  // namespace

namespace pixkit {

std::string systemReason(int err) {
    switch (err) {
    case EACCES:
    case EPERM: return "Keine Berechtigung zum Schreiben in diesen Ordner";
    case ENOSPC:
    case EDQUOT: return "Auf dem Datenträger ist nicht genügend Platz";
    case EFBIG: return "Die Datei wird zu groß für den Datenträger";
    case ENOENT:
    case ENOTDIR: return "Der Ordner existiert nicht";
    case EROFS: return "Der Datenträger ist schreibgeschützt";
    case ENAMETOOLONG: return "Der Dateiname ist zu lang";
    case EISDIR: return "Unter diesem Namen gibt es bereits einen Ordner";
    default: return std::string(pixkit::statusText(Status::WriteFailed)) + " (Fehler " + std::to_string(err) + ")";
    }
}

void setWriteLimitForTesting(int64_t bytes) { writeLimit = bytes < 0 ? -1 : bytes; }

SaveResult saveFileVia(const std::string& name, const std::function<Status(std::FILE*)>& write) {
    if (name.empty() || name.back() == '/') return fail(systemReason(EISDIR));
    struct stat st {};
    bool exists = stat(name.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return fail(systemReason(EISDIR));
    std::string::size_type slash = name.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    std::string tmpl = dir + "." + base + ".XXXXXX";
    std::vector<char> path(tmpl.begin(), tmpl.end());
    path.push_back('\0');
    int fd = mkstemp(path.data());
    if (fd < 0) return fail(systemReason(errno));
    // Keep the mode of the file being replaced, else the usual one.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, exists ? (st.st_mode & 07777) : (0666 & ~mask));
    std::FILE* f = openStream(fd);
    if (!f) {
        int e = errno;
        close(fd);
        unlink(path.data());
        return fail(systemReason(e));
    }
    errno = 0;
    Status s;
    try {
        s = write(f);
    } catch (const std::bad_alloc&) {
        s = Status::NoMemory;
    }
    int e = errno;
    if (std::fflush(f) != 0 || std::ferror(f)) {
        if (s == Status::Ok) s = Status::WriteFailed;
        e = errno ? errno : e;
    }
    // Renamed only once the bytes are on the disk, not just handed to it.
    if (s == Status::Ok && fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        s = Status::WriteFailed;
        e = errno;
    }
    if (std::fclose(f) != 0 && s == Status::Ok) {
        s = Status::WriteFailed;
        e = errno;
    }
    if (s != Status::Ok) {
        unlink(path.data());
        if (s == Status::WriteFailed && e != 0) return fail(systemReason(e));
        return fail(pixkit::statusText(s));
    }
    if (std::rename(path.data(), name.c_str()) != 0) {
        e = errno;
        unlink(path.data());
        return fail(systemReason(e));
    }
    return SaveResult{true, {}};
}

}  // namespace pixkit

namespace {

SaveResult saveVia(const dib& d, const std::string& name, pixkit::WriteFn write) {
    return pixkit::saveFileVia(name, [&](std::FILE* f) { return write(d, f); });
}

// Sends 0, the codec's rising percentages, 100 on success, then 0; runs the
// decode of `data` or reports `failed` without decoding.
void openWithProgress(dib* out, const uint8_t* data, size_t size, Status failed, HWND window) {
    *out = dib{};
    int last = -1;
    auto send = [&](int pct) {
        pct = pct < 0 ? 0 : pct > 100 ? 100 : pct;
        if (pct == last) return;
        last = pct;
        SendMessage(window, WM_USER, uintptr_t(pct));
    };
    send(0);
    pixkit::Progress progress;
    if (window) progress = [&](int pct) {
        if (pct > last) send(pct);
    };
    Status s = failed != Status::Ok ? failed : decode(data, size, *out, progress);
    if (s == Status::Ok) {
        send(100);
    } else {
        freedib(*out);
        *out = dib{};
        dibseterrortext(*out, pixkit::statusText(s));
    }
    send(0);
}

}  // namespace

void OpenDibMemory(dib* out, const uint8_t* data, std::size_t size, HWND window) {
    if (!out) return;
    openWithProgress(out, data, data ? size : 0, Status::Ok, window);
}

void OpenDib(dib* out, const char* name, int, HWND window) {
    if (!out) return;
    std::vector<uint8_t> data;
    Status s = name ? readWholeFile(name, data) : Status::CannotOpen;
    openWithProgress(out, data.data(), data.size(), s, window);
}

bool SaveDib(dib d, const char* name, int format, HWND window) {
    std::string file = name ? name : "";
    SaveResult r;
    const pixkit::SaveFormat* target = pixkit::findSaveFormat(format);
    if (!target) r = fail(pixkit::statusText(Status::UnknownFormat));
    else if (!d.poi || !d.pmi) r = fail("Es ist kein Bild zum Speichern vorhanden");
    else r = saveVia(d, file, target->write);
    if (!r.ok && window)
        window->messageBox("Die Datei " + file + " konnte nicht gespeichert werden:\n" + r.reason, "Fehler");
    return r.ok;
}

const char* GetDIBOpenFilter() { return pixkit::openFilter().c_str(); }

const char* GetDIBSaveFilter() { return pixkit::saveFilter().c_str(); }
