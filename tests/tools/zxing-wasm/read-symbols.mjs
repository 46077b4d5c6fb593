// Test tool: reads symbol pictures (PNG, BMP, ...) with zxing-wasm, the zxing-cpp reader compiled to
// WebAssembly, which knows Micro QR and rMQR. Never linked into or shipped with the product.
//
// Usage: node read-symbols.mjs [--pure] [--charset=NAME] [FILE...]
// --charset names the character set of content that declares none (e.g. Shift_JIS), which the
// reader otherwise guesses.
// Without FILE arguments the file names are read from standard input, one a line, so that one
// process reads a whole sweep. For every file one line on standard output:
//   FILE <TAB> FORMAT <TAB> VERSION <TAB> EC-LEVEL <TAB> ECI(0|1) <TAB> HEX-BYTES <TAB> HEX-TEXT
//   <TAB> SYMBOLOGY-IDENTIFIER
// (the text as the reader shows it, in UTF-8; the identifier "]Q1", "]Q3" for GS1, ...)
// or, when nothing was read, FILE <TAB> NONE <TAB> reason. The pictures need the quiet zone
// (2 modules for Micro QR and rMQR). Exit status 0 when every file was read, 1 otherwise, 2 on
// bad usage or a missing reader.
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { readBarcodes, prepareZXingModule } from "zxing-wasm/reader";

const require = createRequire(import.meta.url);
const wasmPath = require.resolve("zxing-wasm/reader/zxing_reader.wasm");

const args = process.argv.slice(2);
const pure = args.includes("--pure");
const charsetOption = args.find((a) => a.startsWith("--charset="));
const characterSet = charsetOption === undefined ? "Unknown" : charsetOption.slice(10);
const files = args.filter((a) => !a.startsWith("--"));

prepareZXingModule({ overrides: { wasmBinary: readFileSync(wasmPath) } });

async function names() {
  if (files.length > 0) {
    return files;
  }
  const chunks = [];
  for await (const chunk of process.stdin) {
    chunks.push(chunk);
  }
  return Buffer.concat(chunks).toString("utf8").split(/\r?\n/).filter((s) => s.length > 0);
}

const hex = (bytes) => Buffer.from(bytes).toString("hex");

let failed = 0;
const out = [];
for (const file of await names()) {
  let line;
  try {
    const results = await readBarcodes(readFileSync(file), {
      formats: ["QRCode", "MicroQRCode", "RMQRCode"],
      tryHarder: true,
      isPure: pure,
      maxNumberOfSymbols: 1,
      characterSet,
    });
    const r = results.find((x) => x.isValid);
    if (r === undefined) {
      failed++;
      line = `${file}\tNONE\t${results.length > 0 ? results[0].error || "invalid" : "not found"}`;
    } else {
      line = `${file}\t${r.format}\t${r.version}\t${r.ecLevel}\t${r.hasECI ? 1 : 0}\t${hex(r.bytes)}\t${hex(Buffer.from(r.text, "utf8"))}\t${r.symbologyIdentifier}`;
    }
  } catch (e) {
    failed++;
    line = `${file}\tNONE\t${String(e).replace(/\s+/g, " ")}`;
  }
  out.push(line);
}
process.stdout.write(out.length > 0 ? out.join("\n") + "\n" : "");
process.exit(failed > 0 ? 1 : 0);
