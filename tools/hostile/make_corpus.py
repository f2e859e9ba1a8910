#!/usr/bin/env python3
"""Writes the small hostile pictures of tests/data/hostile/: each one declares
far more pixels (or work) than its few bytes can describe. The larger cases
(a PSP of 100 huge layers, a WMF of 70,000 pens, an 8 KB CUT) are made by the
corpus test itself."""
import os
import struct
import sys
import zlib

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '../../tests/data/hostile')


def put(name, data):
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)


def info_header(w, h, bpp, compression=0):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, compression, 0, 0, 0, 0, 0)


# BMP: a 14 + 40 byte header and one pixel byte for 16384 x 16384 x 32 bits (1 GiB).
put('bmp_55_bytes_claims_16384x16384.bmp',
    b'BM' + struct.pack('<IHHI', 55, 0, 0, 54) + info_header(16384, 16384, 32) + b'\0')
# A packed DIB that is only its 40-byte header.
put('dib_40_byte_header_claims_16384x16384.dib', info_header(16384, 16384, 32))
# RLE8: 1 KB of runs for 40000 x 40000 (1.6 GB), and under the pixel limit
# (16000 x 16000) a picture made of row skips.
runs = b''.join(b'\xff\x07' for _ in range(500)) + b'\x00\x01'
put('bmp_rle8_1kb_claims_40000x40000.bmp',
    b'BM' + struct.pack('<IHHI', 54 + 1024 + len(runs), 0, 0, 54 + 1024) + info_header(40000, 40000, 8, 1)
    + b'\0' * 1024 + runs)
skips = b''.join(b'\x00\x02\x00\xff' for _ in range(63)) + b'\x00\x01'
put('bmp_rle8_row_skips_claim_16000x16000.bmp',
    b'BM' + struct.pack('<IHHI', 54 + 1024 + len(skips), 0, 0, 54 + 1024) + info_header(16000, 16000, 8, 1)
    + b'\0' * 1024 + skips)
# An icon whose image claims 16384 x 32768 with no pixels.
entry = info_header(16384, 32768, 32)
put('ico_entry_claims_16384x16384.ico', struct.pack('<HHH', 0, 1, 1)
    + struct.pack('<BBBBHHII', 0, 0, 0, 0, 1, 32, len(entry), 22) + entry)


def png_chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff)


sig = b'\x89PNG\r\n\x1a\n'
put('png_without_idat_claims_16384x16384.png',
    sig + png_chunk(b'IHDR', struct.pack('>IIBBBBB', 16384, 16384, 8, 6, 0, 0, 0)) + png_chunk(b'IEND', b''))
# 16-bit RGBA, interlaced: 8000 x 8000 from 300 bytes of image data.
bomb = zlib.compress(b'\0' * 200000, 9)[:300]
put('png_16bit_interlaced_bomb_8000x8000.png',
    sig + png_chunk(b'IHDR', struct.pack('>IIBBBBB', 8000, 8000, 16, 6, 0, 0, 1)) + png_chunk(b'IDAT', bomb)
    + png_chunk(b'IEND', b''))

# TGA: run-length 32-bit 65535 x 4096 from 50 packets of 128 pixels.
put('tga_rle_bomb_65535x4096.tga', struct.pack('<BBBHHBHHHHBB', 0, 0, 10, 0, 0, 0, 0, 0, 65535, 4096, 32, 8)
    + b''.join(b'\xff\x10\x20\x30\xff' for _ in range(50)))
# PCX: run-length 8-bit 65535 x 4096 from a few runs.
pcx = bytearray(128)
pcx[0:4] = b'\x0a\x05\x01\x08'
pcx[8:12] = struct.pack('<HH', 65534, 4095)
pcx[65] = 1
pcx[66:68] = struct.pack('<H', 65535)
put('pcx_rle_bomb_65535x4096.pcx', bytes(pcx) + b'\xff\x00' * 100)
# PPM: a raw 60000 x 4000 pixmap of six bytes.
put('ppm_claims_60000x4000.ppm', b'P6\n60000 4000\n255\n' + b'\0' * 6)
# CUT: 65535 x 200 of two-byte empty rows and nothing else.
put('cut_empty_rows_claim_65535x4000.cut', struct.pack('<HHH', 65535, 4000, 0) + b'\0\0' * 200)
# SGI: run-length 8192 x 8192 x 4 whose row tables are cut.
put('sgi_rle_tables_cut_8192x8192.sgi', struct.pack('>HBBHHHH', 474, 1, 1, 3, 8192, 8192, 4) + b'\0' * 500)
# PSD: 16000 x 16000 RGB whose run-length rows are missing.
put('psd_rle_rows_missing_16000x16000.psd', b'8BPS' + struct.pack('>H6xHIIHH', 1, 3, 16000, 16000, 8, 3)
    + struct.pack('>III', 0, 0, 0) + struct.pack('>H', 1) + b'\0\2' * 100)
# WBMP: 16000 x 16000 in a few bytes (multi-byte integers).
put('wbmp_claims_16000x16000.wbmp', b'\0\0' + b'\x80\xfd\x00' * 2 + b'\xff' * 8)
# TIFF: one uncompressed strip of 16 bytes for 60000 x 4000 RGB.
ifd = [(256, 4, 1, 60000), (257, 4, 1, 4000), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, 2),
       (273, 4, 1, 8 + 2 + 12 * 10 + 4), (277, 3, 1, 3), (278, 4, 1, 4000), (279, 4, 1, 16), (284, 3, 1, 1)]
tiff = b'II*\0' + struct.pack('<I', 8) + struct.pack('<H', len(ifd))
for tag, kind, count, value in ifd:
    tiff += struct.pack('<HHI', tag, kind, count) + (struct.pack('<HH', value, 0) if kind == 3 else struct.pack('<I', value))
put('tiff_16_byte_strip_claims_60000x4000.tif', tiff + struct.pack('<I', 0) + b'\0' * 16)
# TIFF: a deflate strip of 40 bytes for 16000 x 16000 grey.
ifd[0], ifd[1], ifd[3], ifd[4], ifd[6], ifd[7], ifd[8] = (256, 4, 1, 16000), (257, 4, 1, 16000), (259, 3, 1, 8), \
    (262, 3, 1, 1), (277, 3, 1, 1), (278, 4, 1, 16000), (279, 4, 1, 40)
tiff = b'II*\0' + struct.pack('<I', 8) + struct.pack('<H', len(ifd))
for tag, kind, count, value in ifd:
    tiff += struct.pack('<HHI', tag, kind, count) + (struct.pack('<HH', value, 0) if kind == 3 else struct.pack('<I', value))
put('tiff_deflate_bomb_16000x16000.tif', tiff + struct.pack('<I', 0) + zlib.compress(b'\0' * 100000)[:40])
# EMF: an empty picture whose frame claims 12000 x 12000 pixels (3.175 metres):
# shown, but never drawn at that size.
emf = struct.pack('<II', 1, 108) + struct.pack('<4i', 0, 0, 11999, 11999) + struct.pack('<4i', 0, 0, 317500, 317500)
emf += struct.pack('<IIIIHHIII', 0x464D4520, 0x10000, 108 + 20, 2, 1, 0, 0, 0, 0)
emf += struct.pack('<iiii', 1024, 768, 320, 240) + struct.pack('<III', 0, 0, 0)
emf += struct.pack('<IIIII', 14, 20, 0, 16, 20)  # EMR_EOF
put('emf_empty_frame_of_12000x12000.emf', emf)
