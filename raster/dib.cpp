#include "raster/dib.h"

#include <cstring>

#include "raster/memblock.h"

int dibwidth(const dib& d) { return d.pmi ? d.pmi->bmiHeader.biWidth : 0; }

int dibheight(const dib& d) { return d.pmi ? d.pmi->bmiHeader.biHeight : 0; }

int dibbitcount(const dib& d) { return d.pmi ? int(d.pmi->bmiHeader.biBitCount) : 0; }

int dibcolors(const dib& d) {
    // Doubling in 32 bits on purpose: 32 bits per pixel wraps to 0.
    uint32_t n = 1;
    for (int i = 0; i < dibbitcount(d); ++i) n <<= 1;
    return int32_t(n);
}

void freedib(dib& d) {
    if (!d.poi) return;
    if (d.poih != d.pmih && d.poih != 0) GlobalFree(d.poih);
    if (d.pmih != 0) GlobalFree(d.pmih);
    d.pmih = 0;
    d.pmi = nullptr;
    d.poih = 0;
    d.poi = nullptr;
}

std::string diberrortext(const dib& d) {
    const char* p = reinterpret_cast<const char*>(d.pal.rgb0);
    std::size_t n = strnlen(p, sizeof d.pal.rgb0);
    return std::string(p, n);
}

void dibseterrortext(dib& d, const std::string& text) {
    char* p = reinterpret_cast<char*>(d.pal.rgb0);
    std::memset(p, 0, sizeof d.pal.rgb0);
    std::size_t n = text.size() < sizeof d.pal.rgb0 - 1 ? text.size() : sizeof d.pal.rgb0 - 1;
    std::memcpy(p, text.data(), n);
}
