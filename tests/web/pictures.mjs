// Compares a frame drawn in the browser with the same frame drawn by the Linux build:
//   node pictures.mjs WEB.png LINUX.png
// or, with --apart, two screenshots of the page in live play (the title and a frame of a game):
//   node pictures.mjs --apart FIRST.png SECOND.png
// which must both be lit (2000 pixels or more) and differ in as many pixels.
// The two are drawn by different rasterisers (WebGL on SwiftShader, Mesa), so they are not
// compared pixel for pixel. The web frame must not be black (as many lit pixels as a tenth of the
// Linux frame's, at the least), and wherever the Linux frame shows the arena border's colour the
// web frame must show it too, within 3 pixels, for nine in ten of those pixels. Prints the
// figures; exit status 0 when both hold.
import fs from 'node:fs';
import zlib from 'node:zlib';

// 8-bit RGB or RGBA PNGs, not interlaced: what the game and Chromium write.
function readPng(file) {
  const data = fs.readFileSync(file);
  if (data.readUInt32BE(0) !== 0x89504e47) throw new Error(`${file}: not a PNG`);
  let width = 0, height = 0, channels = 0;
  const parts = [];
  for (let at = 8; at < data.length;) {
    const length = data.readUInt32BE(at);
    const type = data.toString('latin1', at + 4, at + 8);
    const body = data.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      const depth = body[8], colour = body[9], interlace = body[12];
      if (depth !== 8 || (colour !== 2 && colour !== 6) || interlace !== 0)
        throw new Error(`${file}: depth ${depth}, colour type ${colour}, interlace ${interlace}`);
      channels = colour === 6 ? 4 : 3;
    } else if (type === 'IDAT') {
      parts.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(parts));
  const stride = width * channels;
  const pixels = Buffer.alloc(width * height * 3);
  const previous = Buffer.alloc(stride), row = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? row[i - channels] : 0, b = previous[i];
      const c = i >= channels ? previous[i - channels] : 0;
      let v = line[i];
      if (filter === 1) v += a;
      else if (filter === 2) v += b;
      else if (filter === 3) v += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[i] = v & 255;
    }
    for (let x = 0; x < width; ++x)
      for (let k = 0; k < 3; ++k) pixels[(y * width + x) * 3 + k] = row[x * channels + k];
    row.copy(previous);
  }
  return {width, height, pixels};
}

const border = [0.1 * 255, 0.7 * 255, 0.7 * 255];
const near = (p, i, colour, tolerance) =>
  Math.abs(p[i] - colour[0]) <= tolerance && Math.abs(p[i + 1] - colour[1]) <= tolerance &&
  Math.abs(p[i + 2] - colour[2]) <= tolerance;

const lit = (picture) => {
  let count = 0;
  for (let i = 0; i < picture.pixels.length; i += 3)
    if (Math.max(picture.pixels[i], picture.pixels[i + 1], picture.pixels[i + 2]) > 40) ++count;
  return count;
};

if (process.argv[2] === '--apart') {
  const first = readPng(process.argv[3]), second = readPng(process.argv[4]);
  let differing = 0;
  if (first.width === second.width && first.height === second.height)
    for (let i = 0; i < first.pixels.length; i += 3)
      if (!near(first.pixels, i, second.pixels.subarray(i, i + 3), 40)) ++differing;
  const [a, b] = [lit(first), lit(second)];
  console.log(`lit pixels ${a} and ${b}; ${differing} pixels differ`);
  process.exit(Math.min(a, b, differing) >= 2000 ? 0 : 1);
}
const [webFile, linuxFile] = process.argv.slice(2);
const web = readPng(webFile), linux = readPng(linuxFile);
if (web.width !== linux.width || web.height !== linux.height) {
  console.log(`sizes differ: ${web.width} x ${web.height} against ${linux.width} x ${linux.height}`);
  process.exit(1);
}
const webLit = lit(web), linuxLit = lit(linux);
let borderPixels = 0, found = 0;
for (let y = 0; y < linux.height; ++y) {
  for (let x = 0; x < linux.width; ++x) {
    if (!near(linux.pixels, (y * linux.width + x) * 3, border, 10)) continue;
    ++borderPixels;
    let seen = false;
    for (let dy = -3; dy <= 3 && !seen; ++dy)
      for (let dx = -3; dx <= 3 && !seen; ++dx) {
        const u = x + dx, v = y + dy;
        if (u >= 0 && v >= 0 && u < web.width && v < web.height)
          seen = near(web.pixels, (v * web.width + u) * 3, border, 24);
      }
    if (seen) ++found;
  }
}
const notBlack = webLit > 0 && webLit * 10 >= linuxLit;
const borderHeld = borderPixels === 0 || found * 10 >= borderPixels * 9;
console.log(`lit pixels ${webLit} (Linux ${linuxLit}); border pixels ${found} of ${borderPixels} found`);
process.exit(notBlack && borderHeld ? 0 : 1);
