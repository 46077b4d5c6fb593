#pragma once

#include <ostrel/qr.h>

#include <vector>

// The symbol handed out to C: its own copy of the modules, row by row without the padding
// columns of clsQRCode::Symbol.
struct ostrel_qr_symbol {
    int Symbology = OSTREL_QR_SYMBOLOGY_QR;
    int Width = 0;
    int Height = 0;
    int Version = 0;
    int Level = 0;
    int Mask = 0;
    std::vector<unsigned char> Modules;
};
