#!/usr/bin/env python3
"""Compares `quarnel-cli compress` with the reference encoder, byte for byte.

Each input is chosen to reach a corner of the match finder or the block
output: window slides, matches at the far edge of the window, runs that
replace leaves with 256-byte matches, many blocks, Huffman codes that need
length limiting, and inputs that cannot be packed. Every input is compressed
with 1, 2, 3 and 8 threads; the inputs above 1 MiB are the ones whose
matches are found in chunks.

    reference_encoder_test.py QUARNEL_CLI SEABIOS_DIR [CACHE_DIR]

The reference encoder's output depends only on its input and its own code,
and takes most of the run's time: with CACHE_DIR, each output is kept there
under a hash of both, so the sanitized and the release build compute it once.
"""
import hashlib
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference_encoder  # noqa: E402

def mutated_repeats(rng, period, copies, mutation_rate):
    block = bytearray(rng.getrandbits(8) for _ in range(period))
    out = bytearray()
    for _ in range(copies):
        for i in range(period):
            if rng.random() < mutation_rate:
                block[i] = rng.getrandbits(8)
        out += block
    return bytes(out)


def skewed_bytes(rng, n):
    """Byte counts that fall off geometrically: long literal codes."""
    out = bytearray()
    for _ in range(n):
        b = 0
        while b < 40 and rng.random() < 0.55:
            b += 1
        out.append(b)
    return bytes(out)


def varied_matches(rng, n):
    """Matches of every length and distance class, mixed with literals."""
    out = bytearray(rng.getrandbits(8) for _ in range(64))
    while len(out) < n:
        if rng.random() < 0.3:
            out.append(rng.getrandbits(8))
            continue
        length = rng.choice([3, 4, 5, 8, 17, 64, 200, 255, 256, 257, 300])
        distance = min(len(out), rng.choice([1, 2, 3, 16, 255, 1000, 4096, 8191, 8192, 8193]))
        start = len(out) - distance
        for i in range(length):
            out.append(out[start + i])
    return bytes(out[:n])


def inputs(seabios):
    rng = random.Random(20261208)
    text = b'The quick brown fox jumps over the lazy dog; ' * 50
    yield 'empty', b''
    yield 'one byte', b'A'
    yield 'ababab', b'ababab'
    yield '1000 zeros', bytes(1000)
    yield 'text', text
    for size in (8191, 8192, 8193, 8448, 16384, 16640, 24577):
        yield f'letters {size}', bytes(rng.choice(b'abcdefgh') for _ in range(size))
    yield 'random 4000', bytes(rng.getrandbits(8) for _ in range(4000))
    yield 'runs', b''.join(bytes([rng.getrandbits(8)]) * rng.randint(1, 700) for _ in range(300))
    yield 'zeros 70000', bytes(70000)
    yield 'period 8000', mutated_repeats(rng, 8000, 5, 0.002)
    yield 'period 8191', mutated_repeats(rng, 8191, 4, 0.002)
    yield 'period 8193', mutated_repeats(rng, 8193, 3, 0.002)
    yield 'period 300', mutated_repeats(rng, 300, 200, 0.01)
    yield 'skewed', skewed_bytes(rng, 60000)
    yield 'varied matches', varied_matches(rng, 120000)
    blobs = []
    for name in sorted(os.listdir(seabios)) if os.path.isdir(seabios) else []:
        path = os.path.join(seabios, name)
        if name.endswith('.bin') and not os.path.islink(path):
            with open(path, 'rb') as f:
                blobs.append(f.read())
            yield name, blobs[-1]
    long_runs = b''.join(bytes([rng.getrandbits(8)]) * rng.choice([1, 3, 300, 5000, 70000]) for _ in range(200))
    yield 'long runs, chunked', (long_runs * 2)[:1200000]
    yield 'period 5000, chunked', mutated_repeats(rng, 5000, 250, 0.001)
    if blobs:
        yield 'seabios blobs, chunked', (b''.join(blobs) * 2)[:1300000]


def compress_with_cli(cli, data, workdir, threads):
    src = os.path.join(workdir, 'in.bin')
    dst = os.path.join(workdir, 'out.lzh')
    with open(src, 'wb') as f:
        f.write(data)
    if os.path.exists(dst):
        os.remove(dst)
    run = subprocess.run([cli, 'compress', '--threads', str(threads), src, dst], capture_output=True)
    if run.returncode != 0:
        return run.returncode, None
    with open(dst, 'rb') as f:
        return 0, f.read()


def reference_output(data, cache):
    """The reference encoder's area for data, and whether it is complete."""
    path = None
    if cache:
        with open(reference_encoder.__file__, 'rb') as f:
            key = hashlib.sha256(f.read() + b'\0' + data).hexdigest()
        path = os.path.join(cache, key)
        if os.path.exists(path):
            with open(path, 'rb') as f:
                kept = f.read()
            return kept[1:], kept[0] == 1
    encoder = reference_encoder.Encoder(data)
    expected = encoder.encode()
    complete = not encoder.unpackable or len(data) == 0
    if path:
        os.makedirs(cache, exist_ok=True)
        with tempfile.NamedTemporaryFile(dir=cache, delete=False) as f:
            f.write(bytes([1 if complete else 0]) + expected)
        os.replace(f.name, path)
    return expected, complete


def main():
    if len(sys.argv) not in (3, 4):
        sys.stderr.write(__doc__)
        return 2
    cli, seabios = sys.argv[1], sys.argv[2]
    cache = sys.argv[3] if len(sys.argv) == 4 else None
    passed = failed = 0
    with tempfile.TemporaryDirectory() as workdir:
        for name, data in inputs(seabios):
            expected, complete = reference_output(data, cache)
            for threads in (1, 2, 3, 8):
                status, actual = compress_with_cli(cli, data, workdir, threads)
                if complete:
                    ok = status == 0 and actual == expected
                else:
                    ok = status == 1 and actual is None
                if ok:
                    passed += 1
                else:
                    failed += 1
                    first = next((i for i, (a, b) in enumerate(zip(actual or b'', expected)) if a != b), None)
                    print(f'FAIL {name}, {threads} threads: complete={complete} cli status {status}, '
                          f'{len(actual or b"")} bytes against {len(expected)}, first difference at {first}')
    print(f'{passed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
