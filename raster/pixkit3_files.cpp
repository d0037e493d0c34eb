// Reading and writing picture files: the dispatcher over the codecs, the
// safe replacement of an existing file, and the dialog filter texts.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "raster/PixKit3.h"
#include "raster/codecs/bmp.h"
#include "raster/codecs/codec.h"
#include "raster/codecs/dispatch.h"
#include "raster/codecs/gif.h"
#include "raster/codecs/iff.h"
#include "raster/codecs/jpeg.h"
#include "raster/codecs/pcx.h"
#include "raster/codecs/png.h"
#include "raster/codecs/tga.h"
#include "raster/codecs/tiff.h"
#include "raster/codecs/webp.h"
#include "raster/limits.h"

namespace {

using pixkit::Status;

struct Reader {
    bool (*probe)(const uint8_t*, size_t);
    Status (*read)(const uint8_t*, size_t, dib&, const pixkit::Progress&);
};

// Formats with a signature first; TGA has none and comes last.
const Reader kReaders[] = {
    {pixkit::pngProbe, pixkit::pngRead},   {pixkit::gifProbe, pixkit::gifRead},
    {pixkit::jpegProbe, pixkit::jpegRead}, {pixkit::tiffProbe, pixkit::tiffRead},
    {pixkit::webpProbe, pixkit::webpRead}, {pixkit::iffProbe, pixkit::iffRead},
    {pixkit::bmpProbe, pixkit::bmpRead},   {pixkit::pcxProbe, pixkit::pcxRead},
    {pixkit::tgaProbe, pixkit::tgaRead},
};

Status readWholeFile(const char* name, std::vector<uint8_t>& data) {
    std::FILE* f = std::fopen(name, "rb");
    if (!f) return Status::CannotOpen;
    struct stat st {};
    Status s = Status::Ok;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        s = Status::CannotOpen;
    } else if (st.st_size > pixkit::kMaxDecodeBytes) {
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

bool deliverableDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

Status decode(const uint8_t* data, size_t size, dib& out, const pixkit::Progress& progress) {
    if (!data || size == 0) return Status::Truncated;
    for (const Reader& r : kReaders) {
        if (!r.probe(data, size)) continue;
        Status s;
        try {
            s = r.read(data, size, out, progress);
        } catch (const std::bad_alloc&) {
            s = Status::NoMemory;
        }
        if (s == Status::Ok && (!out.poi || !deliverableDepth(dibbitcount(out)))) s = Status::Unsupported;
        if (s != Status::Ok) freedib(out);
        return s;
    }
    return Status::UnknownFormat;
}

// ------------------------------------------------------------------ saving

enum class Writer { Bmp, Rle, Gif, Iff, Jpeg, Pcx, Tga, Tiff, None };

Writer writerFor(int format) {
    switch (format) {
    case 3:   // .bmp
    case 4:   // .dib: the same bytes
        return Writer::Bmp;
    case 5: return Writer::Gif;
    case 6:   // .iff
    case 9:   // .lbm
        return Writer::Iff;
    case 7:   // .jif
    case 8:   // .jpg
        return Writer::Jpeg;
    case 10: return Writer::Pcx;
    case 11: return Writer::Rle;
    case 12: return Writer::Tga;
    case 13: return Writer::Tiff;
    default: return Writer::None;
    }
}

Status encode(Writer w, const dib& d, std::FILE* f) {
    switch (w) {
    case Writer::Bmp: return pixkit::bmpWrite(d, f, false);
    case Writer::Rle: return pixkit::bmpWrite(d, f, true);
    case Writer::Gif: return pixkit::gifWrite(d, f);
    case Writer::Iff: return pixkit::iffWrite(d, f);
    case Writer::Jpeg: return pixkit::jpegWrite(d, f);
    case Writer::Pcx: return pixkit::pcxWrite(d, f);
    case Writer::Tga: return pixkit::tgaWrite(d, f);
    case Writer::Tiff: return pixkit::tiffWrite(d, f);
    case Writer::None: break;
    }
    return Status::UnknownFormat;
}

// German reason for a failed file operation.
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

struct SaveResult {
    bool ok;
    std::string reason;
};

SaveResult fail(const std::string& reason) { return SaveResult{false, reason}; }

// Writes into a temporary file beside the target and renames it over the
// target only when every byte is out, so an existing file survives any
// failure and no temporary is left behind.
SaveResult saveVia(const dib& d, const std::string& name, Writer w) {
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
    std::FILE* f = fdopen(fd, "w+b");
    if (!f) {
        int e = errno;
        close(fd);
        unlink(path.data());
        return fail(systemReason(e));
    }
    errno = 0;
    Status s;
    try {
        s = encode(w, d, f);
    } catch (const std::bad_alloc&) {
        s = Status::NoMemory;
    }
    int e = errno;
    if (std::fflush(f) != 0 || std::ferror(f)) {
        if (s == Status::Ok) s = Status::WriteFailed;
        e = errno ? errno : e;
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

}  // namespace

namespace {

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
    Writer w = writerFor(format);
    if (w == Writer::None) r = fail(pixkit::statusText(Status::UnknownFormat));
    else if (!d.poi || !d.pmi) r = fail("Es ist kein Bild zum Speichern vorhanden");
    else r = saveVia(d, file, w);
    if (!r.ok && window)
        window->messageBox("Die Datei " + file + " konnte nicht gespeichert werden:\n" + r.reason, "Fehler");
    return r.ok;
}

const char* GetDIBOpenFilter() {
    return "Alle Bilder|*.bmp;*.dib;*.rle;*.gif;*.iff;*.lbm;*.jpg;*.jpeg;*.jpe;*.jif;*.pcx;*.tga;*.tif;*.tiff;"
           "*.png;*.webp|"
           "Windows Bitmap (*.bmp;*.dib;*.rle)|*.bmp;*.dib;*.rle|"
           "CompuServe GIF (*.gif)|*.gif|"
           "Amiga IFF / Deluxe Paint (*.iff;*.lbm)|*.iff;*.lbm|"
           "JPEG (*.jpg;*.jpeg;*.jpe;*.jif)|*.jpg;*.jpeg;*.jpe;*.jif|"
           "ZSoft PCX (*.pcx)|*.pcx|"
           "Truevision Targa (*.tga)|*.tga|"
           "TIFF (*.tif;*.tiff)|*.tif;*.tiff|"
           "Portable Network Graphics (*.png)|*.png|"
           "WebP (*.webp)|*.webp";
}

const char* GetDIBSaveFilter() {
    return "Windows Bitmap (*.bmp)|*.bmp|Device Independent Bitmap (*.dib)|*.dib|"
           "CompuServe GIF (*.gif)|*.gif|Amiga IFF (*.iff)|*.iff|JPEG (*.jif)|*.jif|"
           "JPEG (*.jpg)|*.jpg|Deluxe Paint LBM (*.lbm)|*.lbm|ZSoft PCX (*.pcx)|*.pcx|"
           "RLE Bitmap (*.rle)|*.rle|Truevision Targa (*.tga)|*.tga|TIFF (*.tif)|*.tif";
}
