#pragma once

#include "clsMicroQRCode.h"
#include "clsQRCode.h"
#include "clsRMQRCode.h"

namespace ostrel::cli {

// One encoder of each symbology (QR Code, Micro QR, rMQR): what a thread of the tool encodes
// with. Encoders keep tables between calls, so each thread owns its own set.
struct SymbolEncoders {
    clsQRCode QR;
    clsMicroQRCode Micro;
    clsRMQRCode RMQR;
};

} // namespace ostrel::cli
