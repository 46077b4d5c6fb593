// ostrel-qr-window-bench [RUNS]: times the main window's generate command for a version-40 text.
// The window is made and shown as the program does it; its text box gets 1663 lower-case letters
// (version 40 at level Q in UTF-8); then, RUNS times, the button 生成二维码 is pressed and the
// window repainted at once. Prints "generate_ms" followed by the time of every press (the first
// one creates the window's encoder).
//
// Run it under Xvfb. The forum page is not loaded, so that no network traffic runs beside it.
#include "Form1.h"
#include "TextBox.h"
#include "WebBrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 30;
    ostrel::platform::WebBrowser::SetNetworkEnabled(false);

    ostrel::ui::Form1 form;
    form.show();
    QElapsedTimer waited;
    waited.start();
    while ((form.windowHandle() == nullptr || !form.windowHandle()->isExposed()) &&
           waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QApplication::processEvents();

    const QString letters = QStringLiteral("thequickbrownfoxjumpsoverthelazydog");
    QString text;
    for (int i = 0; i < 1663; ++i) {
        text += letters[i % letters.size()];
    }
    form.Text1->SetText(text);
    QApplication::processEvents();

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        form.Command1->click();
        form.repaint();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (!form.SymbolPresent()) {
            std::fprintf(stderr, "no symbol after the generate command\n");
            return 1;
        }
        QApplication::processEvents();
    }
    std::printf("generate_ms");
    for (const double t : times) {
        std::printf(" %.3f", t);
    }
    std::printf("\n");
    return 0;
}
