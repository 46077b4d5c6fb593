#pragma once

#include <ostrel/qr.h>

#include <cstddef>
#include <new>
#include <type_traits>

// The symbol handed out to C: its own copy of the modules, row by row without the padding
// columns of clsQRCode::Symbol, in the same allocation right after the header (Make).
struct ostrel_qr_symbol {
    int Symbology = OSTREL_QR_SYMBOLOGY_QR;
    int Width = 0;
    int Height = 0;
    int Version = 0;
    int Level = 0;
    int Mask = 0;
    unsigned char* Modules = nullptr; // Width x Height bytes after this header

    // A symbol of width x height modules (left uninitialised) in one allocation; throws
    // std::bad_alloc.
    static ostrel_qr_symbol* Make(int width, int height) {
        const std::size_t modules =
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        void* block = ::operator new(sizeof(ostrel_qr_symbol) + modules);
        auto* symbol = new (block) ostrel_qr_symbol;
        symbol->Width = width;
        symbol->Height = height;
        symbol->Modules = static_cast<unsigned char*>(block) + sizeof(ostrel_qr_symbol);
        return symbol;
    }
    static void Free(ostrel_qr_symbol* symbol) {
        if (symbol != nullptr) {
            symbol->~ostrel_qr_symbol();
            ::operator delete(symbol);
        }
    }
};
static_assert(std::is_trivially_destructible_v<ostrel_qr_symbol>);
