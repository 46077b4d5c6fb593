#pragma once

#include "clsCodewordBlocks.h"
#include "clsFiniteField.h"
#include "clsLayoutCache.h"
#include "clsModuleMatrix.h"
#include "clsQRCode.h"
#include "clsReedSolomon.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>

namespace ostrel {

// The steps that QR Code, Micro QR and rMQR build a symbol with, in the order of ISO/IEC 18004
// clause 7.1 (and ISO/IEC 23941, which follows it): after the symbol type has written its headers
// and segments, pad to the data capacity; make the Reed-Solomon blocks and interleave them; lay
// out a blank W x H symbol, draw its function patterns and place the codeword sequence; mask; and
// the symbol type writes its format (and version) information.
//
// What a symbol type keeps to itself: its tables, its segmentation and version choice, the
// drawing of its function patterns, its masks and their evaluation, its format and version words.
//
// A builder refers to the tools of one encoder object: the field GF(2^8) (shared by the whole
// process, see MakeField) and the Reed-Solomon coder (the object's own, made on first use); the
// layouts of the sizes are the process's (clsLayoutCache). Not safe to use from two threads at
// once.
class clsSymbolBuilder {
public:
    clsSymbolBuilder(const std::shared_ptr<clsFiniteField>& field,
                     std::unique_ptr<clsReedSolomon>& coder)
        : m_Field(field), m_Coder(coder) {}

    // ---- Set-up ----
    // The field of ISO/IEC 18004 clause 7.5.2 (ISO/IEC 23941 shares it): x^8 + x^4 + x^3 + x^2 + 1,
    // primitive element 2. One object per process, built on the first call and shared by every
    // encoder on every thread; nobody sets it up again (its tables stay as built).
    static std::shared_ptr<clsFiniteField> MakeField();
    // The input length to read: length within 0 .. bytes.size().
    static std::int32_t ClampLength(std::span<const std::uint8_t> bytes, std::int32_t length) {
        return static_cast<std::int32_t>(
            std::min<std::int64_t>(std::max<std::int32_t>(length, 0), std::ssize(bytes)));
    }

    // ---- Padding ----
    // After a data bit stream of streamBits (terminator included, written from data[0]), cut at
    // capacityBits: the pad codewords 11101100 and 00010001 alternately from the first codeword
    // the stream leaves untouched up to data[padEnd - 1].
    static void Pad(std::uint8_t* data, std::int32_t streamBits, std::int32_t capacityBits,
                    std::int32_t padEnd);

    // ---- Blocks ----
    // The check codewords of every block of data and the interleaved sequence (clsCodewordBlocks).
    void MakeBlocks(const clsCodewordBlocks::BlockTable& blocks, const std::uint8_t* data,
                    std::uint8_t* sequence);

    // ---- Placement ----
    // symbol made a blank symbol of width x height modules, stored with the three extra light
    // columns and rows (stride width + 3); Version and Level as given, Side the width of a square
    // symbol (0 otherwise), Mask 0. Its storage is reused: no allocation when it has held a symbol
    // at least as large.
    static void Blank(clsQRCode::Symbol& symbol, std::int32_t version, std::int32_t level,
                      std::int32_t width, std::int32_t height);
    // The module matrix view of a symbol's modules.
    static clsModuleMatrix Matrix(clsQRCode::Symbol& symbol);
    // symbol made a copy of a layout's blank matrix with its function patterns (Version and
    // Level as given, Side the width of a square symbol, Mask 0; its storage reused), and the
    // bits of sequence (packed codewords and 8 spare bytes) placed along the layout's runs.
    static void PlaceOnLayout(clsQRCode::Symbol& symbol, std::int32_t version, std::int32_t level,
                              const clsLayoutCache::Layout& layout, const std::uint8_t* sequence);
    // The fixed-mask form of PlaceOnLayout followed by ApplyMask(symbol, number, condition), with
    // the same modules: a copy of the layout finished for the mask condition with the sequence
    // placed as finished modules (clsLayoutCache::MaskedLayout); Mask becomes number.
    static void PlaceMasked(clsQRCode::Symbol& symbol, std::int32_t version, std::int32_t level,
                            const clsLayoutCache::Layout& layout, const std::uint8_t* sequence,
                            std::int32_t number, std::int32_t condition);

    // ---- Masking ----
    // Masks a placed symbol with the QR Code mask condition (0..7) and combines it into 0 and 1
    // (clsDataMask::MaskAndCombine); its Mask member becomes number, the symbol type's own.
    static void ApplyMask(clsQRCode::Symbol& symbol, std::int32_t number, std::int32_t condition);
    // The automatic mask on a placed symbol: finish(candidate, m) masks a copy of the placed
    // symbol with mask m = 0 .. maskCount - 1 (and writes whatever information the evaluation
    // reads); score(candidate) rates it, higher better. The placed symbol becomes the candidate
    // with the highest score, the lowest mask number on a tie. The copies are made in the two
    // scratch symbols, whose storage is reused (and exchanged with the symbol's); what they held
    // before does not matter.
    template <typename Finish, typename Score>
    static void ChooseMask(clsQRCode::Symbol& symbol, std::int32_t maskCount,
                           std::array<clsQRCode::Symbol, 2>& scratch, Finish&& finish,
                           Score&& score);

private:
    // Version, Level, Mask 0 and the sizes of layout into symbol.
    static void SetSizes(clsQRCode::Symbol& symbol, std::int32_t version, std::int32_t level,
                         const clsLayoutCache::Layout& layout);

    const std::shared_ptr<clsFiniteField>& m_Field;
    std::unique_ptr<clsReedSolomon>& m_Coder;
};

template <typename Finish, typename Score>
void clsSymbolBuilder::ChooseMask(clsQRCode::Symbol& symbol, std::int32_t maskCount,
                                  std::array<clsQRCode::Symbol, 2>& scratch, Finish&& finish,
                                  Score&& score) {
    // Two buffers turn about: the candidate of each mask is made over the one that did not win.
    clsQRCode::Symbol& best = scratch[0];
    clsQRCode::Symbol& candidate = scratch[1];
    bool found = false;
    decltype(score(symbol)) bestScore{};
    for (std::int32_t m = 0; m < maskCount; ++m) {
        candidate.Version = symbol.Version;
        candidate.Level = symbol.Level;
        candidate.Side = symbol.Side;
        candidate.Width = symbol.Width;
        candidate.Height = symbol.Height;
        candidate.Modules.assign(symbol.Modules.begin(), symbol.Modules.end());
        finish(candidate, m);
        const auto s = score(std::as_const(candidate));
        if (!found || s > bestScore) {
            found = true;
            bestScore = s;
            std::swap(best, candidate);
        }
    }
    if (found) {
        std::swap(symbol, best);
    }
}

} // namespace ostrel
