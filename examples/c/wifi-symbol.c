/* Prints the QR Code symbol of a Wi-Fi login as rows of 0 and 1, no quiet zone, like
 * `ostrel-qr-cli --payload wifi --field ssid=SSID --field password=PASSWORD --format matrix`:
 * the payload built by the library, encoded with its defaults.
 *
 *   cc -std=c99 -Wall -Werror -pedantic wifi-symbol.c $(pkg-config --cflags --libs ostrel-qr)
 *   ./a.out "Home" "correct horse"
 */
#include <ostrel/qr.h>

#include <stdio.h>

int main(int argc, char** argv) {
    const char* names[] = {"ssid", "password"};
    const char* values[2];
    unsigned char* data = NULL;
    size_t length = 0;
    char message[256];
    ostrel_qr_options options;
    ostrel_qr_symbol* symbol = NULL;
    int status;
    int x;
    int y;

    if (argc != 3) {
        fprintf(stderr, "usage: wifi-symbol SSID PASSWORD\n");
        return 2;
    }
    values[0] = argv[1];
    values[1] = argv[2];
    status = ostrel_qr_payload_build("wifi", names, values, 2, 0, 0, &data, &length, message,
                                     sizeof message);
    if (status != OSTREL_QR_OK) {
        fprintf(stderr, "wifi-symbol: %s\n", message); /* names the field at fault */
        return 2;
    }
    ostrel_qr_options_init(&options);
    status = ostrel_qr_encode(data, length, &options, &symbol);
    ostrel_qr_free(data);
    if (status != OSTREL_QR_OK) {
        fprintf(stderr, "wifi-symbol: %s\n", ostrel_qr_error_message(status));
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
