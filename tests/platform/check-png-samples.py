#!/usr/bin/env python3
"""Checks the encoder's PNG files with decoders other than Qt's.

usage: check-png-samples.py <write-png-samples program> <pngcheck program>

The program writes every sample with the encoder, beside the pixels each must
decode to. Each file must pass pngcheck (chunk order and checksums, the zlib
stream inflated and its Adler-32 checked) and decode here, with Python's zlib
and filters written from the PNG format, to exactly those pixels: one zlib
stream that ends where the data ends and inflates to exactly the filtered rows.
"""

import concurrent.futures
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {0: 1, 2: 3, 4: 2, 6: 4}  # by colour type: grey, RGB, grey + alpha, RGBA


class PngError(Exception):
    pass


def chunks(data):
    if not data.startswith(SIGNATURE):
        raise PngError("no PNG signature")
    pos = len(SIGNATURE)
    while pos < len(data):
        if pos + 12 > len(data):
            raise PngError("truncated chunk")
        (length,) = struct.unpack(">I", data[pos : pos + 4])
        kind = data[pos + 4 : pos + 8]
        body = data[pos + 8 : pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length : pos + 12 + length])
        if len(body) != length or zlib.crc32(kind + body) != crc:
            raise PngError(f"bad {kind!r} chunk")
        yield kind, body
        pos += 12 + length


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(raw, height, stride, bpp):
    if len(raw) != height * (stride + 1):
        raise PngError(f"{len(raw)} bytes of rows, expected {height * (stride + 1)}")
    previous = bytearray(stride)
    out = bytearray()
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        row = bytearray(raw[start + 1 : start + 1 + stride])
        if kind == 1:
            for i in range(bpp, stride):
                row[i] = (row[i] + row[i - bpp]) & 0xFF
        elif kind == 2:
            row = bytearray((x + b) & 0xFF for x, b in zip(row, previous))
        elif kind == 3:
            for i in range(stride):
                left = row[i - bpp] if i >= bpp else 0
                row[i] = (row[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                left = row[i - bpp] if i >= bpp else 0
                up_left = previous[i - bpp] if i >= bpp else 0
                row[i] = (row[i] + paeth(left, previous[i], up_left)) & 0xFF
        elif kind != 0:
            raise PngError(f"row {y} has filter type {kind}")
        out += row
        previous = row
    return out


def to_rgba(pixels, channels, sample_bytes, count):
    """Spreads grey, grey + alpha or RGB samples into RGBA, opaque where no alpha."""
    if channels == 4:
        return pixels
    step = channels * sample_bytes
    rgba = bytearray(b"\xff" * (count * 4 * sample_bytes))
    for target in range(4):
        if channels in (1, 2):
            source = 0 if target < 3 else 1
        else:
            source = target
        if source >= channels:
            continue
        for byte in range(sample_bytes):
            rgba[target * sample_bytes + byte :: 4 * sample_bytes] = pixels[source * sample_bytes + byte :: step]
    return rgba


def decode(path):
    found = list(chunks(path.read_bytes()))
    kinds = [kind for kind, _ in found]
    if kinds[0] != b"IHDR" or kinds[-1] != b"IEND" or b"IDAT" not in kinds:
        raise PngError(f"chunks {kinds}")
    width, height, depth, colour, method, filtering, interlace = struct.unpack(">IIBBBBB", found[0][1])
    if colour not in CHANNELS or depth not in (8, 16) or (method, filtering, interlace) != (0, 0, 0):
        raise PngError(f"colour type {colour}, depth {depth}, methods {method} {filtering} {interlace}")
    stream = b"".join(body for kind, body in found if kind == b"IDAT")
    inflater = zlib.decompressobj()
    raw = inflater.decompress(stream) + inflater.flush()
    if not inflater.eof or inflater.unused_data:
        raise PngError("the zlib stream does not end where the image data does")
    channels = CHANNELS[colour]
    sample_bytes = depth // 8
    stride = width * channels * sample_bytes
    pixels = unfilter(raw, height, stride, channels * sample_bytes)
    return to_rgba(pixels, channels, sample_bytes, width * height)


def check(png, pngcheck):
    result = subprocess.run([pngcheck, "-q", str(png)], capture_output=True, text=True)
    if result.returncode != 0:
        return f"pngcheck: {result.stdout.strip()} {result.stderr.strip()}"
    try:
        decoded = decode(png)
    except (PngError, zlib.error) as error:
        return str(error)
    expected = png.with_suffix(".rgba").read_bytes()
    if decoded != expected:
        first = next(i for i, (a, b) in enumerate(zip(decoded, expected)) if a != b) if len(decoded) == len(
            expected) else None
        return f"pixels differ ({len(decoded)} bytes decoded, {len(expected)} expected, first difference at {first})"
    return None


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    writer, pngcheck = sys.argv[1:]
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([writer, folder], check=True)
        pngs = sorted(pathlib.Path(folder).glob("*.png"))
        with concurrent.futures.ProcessPoolExecutor(max_workers=min(4, os.cpu_count() or 1)) as pool:
            failures = list(pool.map(check, pngs, [pngcheck] * len(pngs)))
    failed = 0
    for png, failure in zip(pngs, failures):
        print(f"{'FAIL' if failure else 'ok  '} {png.stem}{': ' + failure if failure else ''}")
        failed += failure is not None
    print(f"{len(pngs) - failed} passed, {failed} failed")
    return 1 if failed or not pngs else 0


if __name__ == "__main__":
    sys.exit(main())
