/* Prints the QR Code symbol of a text (default "abc") as rows of 0 and 1, no quiet zone: the
 * library's defaults (automatic version, level Q, mask 0), like `ostrel-qr-cli --format matrix`.
 *
 *   cc -std=c99 -Wall -Werror -pedantic print-symbol.c $(pkg-config --cflags --libs ostrel-qr)
 *   ./a.out "Hello, world"
 */
#include <ostrel/qr.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    const char* text = argc > 1 ? argv[1] : "abc";
    ostrel_qr_options options;
    ostrel_qr_symbol* symbol = NULL;
    int status;
    int x;
    int y;

    ostrel_qr_options_init(&options);
    status = ostrel_qr_encode((const unsigned char*)text, strlen(text), &options, &symbol);
    if (status != OSTREL_QR_OK) {
        fprintf(stderr, "print-symbol: %s\n", ostrel_qr_error_message(status));
        return 1;
    }
    for (y = 0; y < ostrel_qr_symbol_height(symbol); ++y) {
        for (x = 0; x < ostrel_qr_symbol_width(symbol); ++x) {
            putchar(ostrel_qr_symbol_module(symbol, x, y) ? '1' : '0');
        }
        putchar('\n');
    }
    ostrel_qr_symbol_free(symbol);
    return 0;
}
