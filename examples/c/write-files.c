/* Writes the QR Code symbol of a text (default "abc") as PREFIX.png (8 pixels a module),
 * PREFIX.svg and PREFIX.pdf (modules of 0.5 mm) through the C interface: automatic version,
 * level Q, the mask with the lowest penalty, the same files as
 *   ostrel-qr-cli --mask auto --scale 8 -o PREFIX.png TEXT
 *   ostrel-qr-cli --mask auto --module-size 0.5mm -o PREFIX.svg TEXT   (and PREFIX.pdf)
 *
 *   write-files PREFIX [TEXT]
 */
#include <ostrel/qr.h>

#include <stdio.h>
#include <string.h>

static int write_file(const ostrel_qr_symbol* symbol, const ostrel_qr_render_options* render,
                      const char* prefix, const char* extension) {
    char path[4096];
    int status;
    if (snprintf(path, sizeof path, "%s.%s", prefix, extension) >= (int)sizeof path) {
        fprintf(stderr, "write-files: the prefix is too long\n");
        return 1;
    }
    status = ostrel_qr_render_file(symbol, render, path);
    if (status != OSTREL_QR_OK) {
        fprintf(stderr, "write-files: %s: %s\n", path, ostrel_qr_error_message(status));
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    const char* text = argc > 2 ? argv[2] : "abc";
    ostrel_qr_options options;
    ostrel_qr_render_options render;
    ostrel_qr_symbol* symbol = NULL;
    int status;
    int failures = 0;
    if (argc < 2) {
        fprintf(stderr, "usage: write-files PREFIX [TEXT]\n");
        return 2;
    }
    ostrel_qr_options_init(&options);
    options.mask = OSTREL_QR_MASK_AUTO;
    status = ostrel_qr_encode((const unsigned char*)text, strlen(text), &options, &symbol);
    if (status != OSTREL_QR_OK) {
        fprintf(stderr, "write-files: %s\n", ostrel_qr_error_message(status));
        return 1;
    }

    ostrel_qr_render_options_init(&render);
    render.scale = 8;
    failures += write_file(symbol, &render, argv[1], "png");

    ostrel_qr_render_options_init(&render);
    render.module_size = 0.5;
    render.unit = OSTREL_QR_UNIT_MILLIMETRE;
    render.format = OSTREL_QR_FORMAT_SVG;
    failures += write_file(symbol, &render, argv[1], "svg");
    render.format = OSTREL_QR_FORMAT_PDF;
    failures += write_file(symbol, &render, argv[1], "pdf");

    ostrel_qr_symbol_free(symbol);
    return failures == 0 ? 0 : 1;
}
