#!/usr/bin/env python3
"""Regenerates the starting seeds of fuzz_inflate in fuzz/seeds/inflate/.

A seed's first byte chooses the road (see fuzz/inflate_fuzz.cpp): 0x00 and a zlib stream,
or 0x80 | strategy << 4 | level, three bytes saying how to damage the deflated stream,
and the data to deflate. Crashers the fuzzer found are kept
beside these under names of their own (crash-*), and this script leaves them alone.
"""
import os
import random
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, '..', '..', 'fuzz', 'seeds', 'inflate')

rng = random.Random(1)
words = [b'the', b'picture', b'catalogue', b'of', b'a', b'password', b'record', b'zlib']
text = b' '.join(rng.choice(words) for _ in range(600))[:3000]
noise = bytes(rng.getrandbits(8) for _ in range(1500))
rows = bytes((y % 5) if x == 0 else (x * 3 + y) // 4 % 256 for y in range(30) for x in range(61))
runs = b'x' * 700 + b'yz' * 300 + bytes(300)


def deflate(data, level=6, strategy=zlib.Z_DEFAULT_STRATEGY, flush_every=0, flush=zlib.Z_SYNC_FLUSH):
    c = zlib.compressobj(level, zlib.DEFLATED, 15, 8, strategy)
    if not flush_every:
        return c.compress(data) + c.flush()
    out = b''
    for i in range(0, len(data), flush_every):
        out += c.compress(data[i:i + flush_every]) + c.flush(flush)
    return out + c.flush()


seeds = {
    'raw_text_level6': deflate(text),
    'raw_text_level9': deflate(text, 9),
    'raw_text_level1': deflate(text, 1),
    'raw_noise_stored': deflate(noise, 0),
    'raw_rows_filtered': deflate(rows, 6, zlib.Z_FILTERED),
    'raw_runs_rle': deflate(runs, 6, zlib.Z_RLE),
    'raw_text_fixed': deflate(text, 6, zlib.Z_FIXED),
    'raw_text_huffman_only': deflate(text, 6, zlib.Z_HUFFMAN_ONLY),
    'raw_text_sync_flushes': deflate(text, 6, zlib.Z_DEFAULT_STRATEGY, 200),
    'raw_text_partial_flushes': deflate(text, 6, zlib.Z_DEFAULT_STRATEGY, 150, zlib.Z_PARTIAL_FLUSH),
    'raw_empty': deflate(b''),
}
os.makedirs(OUT, exist_ok=True)
for name, stream in seeds.items():
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(b'\x00' + stream)
for name, flag, damage, data in [
        ('deflate_text_level6', 0x86, b'\0\0\0', text),
        ('deflate_rows_rle_level9', 0xB9, b'\0\0\0', rows),
        ('deflate_noise_fixed_level1', 0xC1, b'\0\0\0', noise[:400]),
        ('deflate_runs_filtered', 0x95, b'\0\0\0', runs),
        ('deflate_text_level9_cut', 0x89, b'\x01\x2c\x01', text),
        ('deflate_noise_stored_cut', 0x80, b'\x01\x00\x02', noise[:700]),
        ('deflate_rows_level6_flipped', 0x86, b'\x62\x31\x00', rows)]:
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(bytes([flag]) + damage + data)
