#pragma once

namespace ostrel::cli {

// Text in an SVG picture (a logo, a caption read back by --verify) needs Qt's font database,
// which needs a GUI application: one without a screen (the offscreen platform unless another is
// asked for), made once, on first need. Call it from the main thread.
void EnsureGuiApplication();

} // namespace ostrel::cli
