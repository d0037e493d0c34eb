// The part of OpenDib that works on bytes already in memory: codec choice by
// content, progress messages and the error text. OpenDib itself only adds
// reading the file. The fuzz target drives this entry directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/window.h"
#include "raster/dib.h"

void OpenDibMemory(dib* out, const uint8_t* data, std::size_t size, HWND window);
