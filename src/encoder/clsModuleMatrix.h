#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ostrel {

// A view of a module matrix: Width x Height modules (x the column from the left, y the row from
// the top), stored row by row with Stride bytes per row (Stride >= Width), x fastest. The bytes
// are owned by the caller; the view only addresses them.
//
// While a symbol is laid out a module holds one of the ModuleValue values; a finished symbol
// holds 0 (light) and 1 (dark) only. QR Code uses Stride = side + 3 (three always-light columns
// and rows that become quiet zone in the picture); a symbol type that is not square (rMQR) has
// Width != Height and the same rules.
class clsModuleMatrix {
public:
    // Values of a module while the symbol is laid out.
    enum ModuleValue : std::uint8_t {
        Free = 0,  // not reserved: takes a codeword bit, or stays a remainder module
        Dark = 1,  // dark function module
        Light = 2, // light function module or reserved area (format, version information)
        Data = 4,  // placed codeword bit: Data | bit, apart from the three others
    };

    clsModuleMatrix(std::uint8_t* modules, std::int32_t width, std::int32_t height,
                    std::int32_t stride)
        : m_Modules(modules), m_Width(width), m_Height(height), m_Stride(stride) {}

    // A view of modules, or an empty one (Width 0) when the span is too short or a size is not
    // positive.
    static clsModuleMatrix Of(std::span<std::uint8_t> modules, std::int32_t width,
                              std::int32_t height, std::int32_t stride) {
        if (width <= 0 || height <= 0 || stride < width ||
            static_cast<std::int64_t>(modules.size()) <
                static_cast<std::int64_t>(stride) * height) {
            return clsModuleMatrix(nullptr, 0, 0, 0);
        }
        return clsModuleMatrix(modules.data(), width, height, stride);
    }

    bool Empty() const { return m_Width == 0; }
    std::int32_t Width() const { return m_Width; }
    std::int32_t Height() const { return m_Height; }
    std::int32_t Stride() const { return m_Stride; }
    std::uint8_t* Modules() const { return m_Modules; }
    std::uint8_t* Row(std::int32_t y) const {
        return m_Modules + static_cast<std::ptrdiff_t>(y) * m_Stride;
    }
    // Module (x, y); no bounds test (callers stay inside Width x Height).
    std::uint8_t& At(std::int32_t x, std::int32_t y) const { return Row(y)[x]; }
    void Set(std::int32_t x, std::int32_t y, std::uint8_t value) const { At(x, y) = value; }

private:
    std::uint8_t* m_Modules;
    std::int32_t m_Width;
    std::int32_t m_Height;
    std::int32_t m_Stride;
};

} // namespace ostrel
