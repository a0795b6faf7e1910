#!/usr/bin/env python3
"""A second, independent encoder for the module compression format.

It is written apart from the C++ encoder, straight from the format's
description, and kept deliberately plain: no speed tricks, every 16-bit
quantity wrapped by hand. The tests compare its output with `quarnel-cli
compress` byte for byte, so a change that alters a single bit of the C++
encoder's output is caught even when the stream still decodes.

    reference_encoder.py IN OUT      writes the compressed area of IN to OUT
"""
import sys

WINDOW = 8192
MAX_MATCH = 256
TEXT_SIZE = 2 * WINDOW + MAX_MATCH
NIL = 0
MARK = 0x8000
ROOT = WINDOW            # node number of the root of strings starting with byte 0
BUCKETS = 2 * WINDOW     # first bucket-head index in next_link
NLIT = 510
NPOS = 14
NLEN = 19


def bit_length(d):
    return d.bit_length()


class HuffmanOutput:
    """Item buffer, per-block Huffman codes and the bit writer."""

    def __init__(self, enc):
        self.enc = enc
        self.buffer_size = 16384
        self.items = bytearray(self.buffer_size)
        self.lit_freq = [0] * (2 * NLIT - 1)
        self.pos_freq = [0] * (2 * NPOS - 1)
        self.len_freq = [0] * (2 * NLEN - 1)
        self.lit_len = [0] * NLIT
        self.lit_code = [0] * NLIT
        self.small_len = [0] * NLEN
        self.small_code = [0] * NLEN
        self.left = [0] * (2 * NLIT - 1)
        self.right = [0] * (2 * NLIT - 1)
        self.item_pos = 0
        self.flag_pos = 0
        self.flag_mask = 0
        self.bit_count = 8
        self.pending = 0

    # -- bit writer --------------------------------------------------------
    def write_byte(self, b):
        enc = self.enc
        if enc.unpackable:
            return
        if enc.packed_bytes < enc.unpacked_size:
            enc.out.append(b & 0xFF)
            enc.packed_bytes += 1
        else:
            enc.unpackable = True

    def put_bits(self, n, x):
        if n < self.bit_count:
            self.bit_count -= n
            self.pending |= x << self.bit_count
            return
        n -= self.bit_count
        self.write_byte(self.pending | (x >> n))
        if n < 8:
            self.bit_count = 8 - n
            self.pending = (x << self.bit_count) & 0xFFFFFFFF
        else:
            self.write_byte(x >> (n - 8))
            self.bit_count = 16 - n
            self.pending = (x << self.bit_count) & 0xFFFFFFFF

    # -- items -------------------------------------------------------------
    def put_item(self, symbol, d):
        self.flag_mask >>= 1
        if self.flag_mask == 0:
            self.flag_mask = 0x80
            if self.item_pos >= self.buffer_size - 24:
                self.send_block()
                if self.enc.unpackable:
                    return
                self.item_pos = 0
            self.flag_pos = self.item_pos
            self.items[self.item_pos] = 0
            self.item_pos += 1
        self.items[self.item_pos] = symbol & 0xFF
        self.item_pos += 1
        self.lit_freq[symbol] = (self.lit_freq[symbol] + 1) & 0xFFFF
        if symbol >= 256:
            self.items[self.flag_pos] |= self.flag_mask
            self.items[self.item_pos] = (d >> 8) & 0xFF
            self.items[self.item_pos + 1] = d & 0xFF
            self.item_pos += 2
            j = bit_length(d)
            self.pos_freq[j] = (self.pos_freq[j] + 1) & 0xFFFF

    def finish(self):
        if not self.enc.unpackable:
            self.send_block()
            self.put_bits(7, 0)

    # -- Huffman code ------------------------------------------------------
    def build_code(self, n, freq, lengths, codes):
        for i in range(n):
            lengths[i] = 0
        heap = [0] * (NLIT + 2)
        size = 0
        for i in range(n):
            if freq[i] != 0:
                size += 1
                heap[size] = i
        if size < 2:
            codes[heap[1]] = 0
            return heap[1]

        def sift_down(p):
            e = heap[p]
            while 2 * p <= size:
                c = 2 * p
                if c < size and freq[heap[c]] > freq[heap[c + 1]]:
                    c += 1
                if freq[e] <= freq[heap[c]]:
                    break
                heap[p] = heap[c]
                p = c
            heap[p] = e

        for p in range(size // 2, 0, -1):
            sift_down(p)
        extracted = []
        k = n
        while size > 1:
            i = heap[1]
            if i < n:
                extracted.append(i)
            heap[1] = heap[size]
            size -= 1
            sift_down(1)
            j = heap[1]
            if j < n:
                extracted.append(j)
            freq[k] = (freq[i] + freq[j]) & 0xFFFF
            heap[1] = k
            sift_down(1)
            self.left[k] = i
            self.right[k] = j
            k += 1
        root = k - 1

        count = [0] * 18
        stack = [(root, 0)]
        while stack:
            node, depth = stack.pop()
            if node < n:
                count[min(depth, 16)] += 1
            else:
                stack.append((self.left[node], depth + 1))
                stack.append((self.right[node], depth + 1))
        total = sum(count[L] << (16 - L) for L in range(1, 17))
        while total != 1 << 16:
            count[16] -= 1
            for L in range(15, 0, -1):
                if count[L] != 0:
                    count[L] -= 1
                    count[L + 1] += 2
                    break
            total -= 1
        it = iter(extracted)
        for L in range(16, 0, -1):
            for _ in range(count[L]):
                lengths[next(it)] = L
        start = [0] * 18
        for L in range(1, 17):
            start[L + 1] = ((start[L] + count[L]) * 2) & 0xFFFF
        for s in range(n):
            if lengths[s]:
                codes[s] = start[lengths[s]]
                start[lengths[s]] = (start[lengths[s]] + 1) & 0xFFFF
        return root

    # -- tables --------------------------------------------------------------
    def lit_table_end(self):
        n = NLIT
        while n > 0 and self.lit_len[n - 1] == 0:
            n -= 1
        return n

    def zero_runs(self, n):
        """Yields ('len', k) or ('zeros', r) over the first n literal lengths."""
        i = 0
        while i < n:
            k = self.lit_len[i]
            i += 1
            if k:
                yield 'len', k
            else:
                r = 1
                while i < n and self.lit_len[i] == 0:
                    i += 1
                    r += 1
                yield 'zeros', r

    def count_len_code_freq(self):
        f = self.len_freq
        for i in range(NLEN):
            f[i] = 0
        for kind, v in self.zero_runs(self.lit_table_end()):
            if kind == 'len':
                f[v + 2] += 1
            elif v <= 2:
                f[0] += v
            elif v <= 18:
                f[1] += 1
            elif v == 19:
                f[0] += 1
                f[1] += 1
            else:
                f[2] += 1

    def put_len_symbol(self, s):
        self.put_bits(self.small_len[s], self.small_code[s])

    def write_lit_lengths(self):
        n = self.lit_table_end()
        self.put_bits(9, n)
        for kind, v in self.zero_runs(n):
            if kind == 'len':
                self.put_len_symbol(v + 2)
            elif v <= 2:
                for _ in range(v):
                    self.put_len_symbol(0)
            elif v <= 18:
                self.put_len_symbol(1)
                self.put_bits(4, v - 3)
            elif v == 19:
                self.put_len_symbol(0)
                self.put_len_symbol(1)
                self.put_bits(4, 15)
            else:
                self.put_len_symbol(2)
                self.put_bits(9, v - 20)

    def write_small_lengths(self, n, width, zero_run_after):
        while n > 0 and self.small_len[n - 1] == 0:
            n -= 1
        self.put_bits(width, n)
        i = 0
        while i < n:
            k = self.small_len[i]
            i += 1
            if k <= 6:
                self.put_bits(3, k)
            else:
                self.put_bits(k - 3, (1 << (k - 3)) - 2)
            if i == zero_run_after:
                while i < 6 and self.small_len[i] == 0:
                    i += 1
                self.put_bits(2, i - 3)

    # -- one block -------------------------------------------------------------
    def send_block(self):
        root = self.build_code(NLIT, self.lit_freq, self.lit_len, self.lit_code)
        size = self.lit_freq[root]
        self.put_bits(16, size)
        if root >= NLIT:
            self.count_len_code_freq()
            r = self.build_code(NLEN, self.len_freq, self.small_len, self.small_code)
            if r >= NLEN:
                self.write_small_lengths(NLEN, 5, 3)
            else:
                self.put_bits(5, 0)
                self.put_bits(5, r)
            self.write_lit_lengths()
        else:
            self.put_bits(5, 0)
            self.put_bits(5, 0)
            self.put_bits(9, 0)
            self.put_bits(9, root)
        r = self.build_code(NPOS, self.pos_freq, self.small_len, self.small_code)
        if r >= NPOS:
            self.write_small_lengths(NPOS, 4, None)
        else:
            self.put_bits(4, 0)
            self.put_bits(4, r)
        p = 0
        flags = 0
        for i in range(size):
            if i % 8 == 0:
                flags = self.items[p]
                p += 1
            else:
                flags = (flags << 1) & 0xFF
            if flags & 0x80:
                sym = self.items[p] + 256
                d = (self.items[p + 1] << 8) | self.items[p + 2]
                p += 3
                self.put_bits(self.lit_len[sym], self.lit_code[sym])
                j = bit_length(d)
                self.put_bits(self.small_len[j], self.small_code[j])
                if j >= 2:
                    self.put_bits(j - 1, d & ((1 << (j - 1)) - 1))
            else:
                sym = self.items[p]
                p += 1
                self.put_bits(self.lit_len[sym], self.lit_code[sym])
            if self.enc.unpackable:
                return
        for i in range(NLIT):
            self.lit_freq[i] = 0
        for i in range(NPOS):
            self.pos_freq[i] = 0


class Encoder:
    def __init__(self, source):
        self.source = source
        self.input_ptr = 0
        self.out = bytearray()
        self.unpackable = False
        self.packed_bytes = 0
        self.unpacked_size = 0

    def read_input(self, dest, count):
        n = min(count, len(self.source) - self.input_ptr)
        self.text[dest:dest + n] = self.source[self.input_ptr:self.input_ptr + n]
        self.input_ptr += n
        self.unpacked_size += n
        return n

    # -- the match tree ----------------------------------------------------
    def init_tree(self):
        self.text = bytearray(TEXT_SIZE)
        self.depth = [0] * (WINDOW + 256)
        self.children = [0] * (WINDOW + 256)
        self.node_pos = [0] * (WINDOW + 256)
        self.parent = [0] * (2 * WINDOW)
        self.prev = [0] * (2 * WINDOW)
        self.next = [0] * (BUCKETS + WINDOW + 256 + 16 * 255 + 1)  # 28912: leaves, then bucket heads
        for b in range(256):
            self.depth[ROOT + b] = 1
            self.node_pos[ROOT + b] = 0
        self.free = 1
        for i in range(1, WINDOW - 1):
            self.next[i] = i + 1
        self.next[WINDOW - 1] = NIL

    @staticmethod
    def bucket(q, c):
        return (q + 16 * c + BUCKETS) & 0xFFFF

    def find_child(self, q, c):
        self.parent[NIL] = q
        r = self.next[self.bucket(q, c)]
        while self.parent[r] != q:
            r = self.next[r]
        return r

    def add_child(self, q, c, r):
        h = self.bucket(q, c)
        old = self.next[h]
        self.next[r] = old
        self.prev[old] = r
        self.next[h] = r
        self.prev[r] = h
        self.parent[r] = q
        self.children[q] = (self.children[q] + 1) & 0xFF

    def take_place(self, new, old):
        """`new` takes `old`'s place in old's sibling chain."""
        t = self.prev[old]
        self.prev[new] = t
        self.next[t] = new
        t = self.next[old]
        self.next[new] = t
        self.prev[t] = new

    def unlink(self, node):
        t = self.prev[node]
        u = self.next[node]
        self.next[t] = u
        self.prev[u] = t

    def split_edge(self, old):
        n = self.free
        self.free = self.next[n]
        self.children[n] = 0
        self.take_place(n, old)
        self.parent[n] = self.parent[old]
        self.depth[n] = self.match_len & 0xFF
        self.node_pos[n] = self.pos
        self.add_child(n, self.text[self.match_pos + self.match_len], old)
        self.add_child(n, self.text[self.pos + self.match_len], self.pos)

    def insert(self):
        text = self.text
        pos = self.pos
        if self.match_len >= 4:
            self.match_len -= 1
            r = WINDOW + ((self.match_pos + 1) & (WINDOW - 1))
            while self.parent[r] == NIL:
                r = self.next[r]
            q = self.parent[r]
            while self.depth[q] >= self.match_len:
                r = q
                q = self.parent[q]
            t = q
            while self.node_pos[t] & MARK:
                self.node_pos[t] = pos
                t = self.parent[t]
            if t < WINDOW:
                self.node_pos[t] = pos | MARK
        else:
            q = ROOT + text[pos]
            c = text[pos + 1]
            r = self.find_child(q, c)
            if r == NIL:
                self.add_child(q, c, pos)
                self.match_len = 1
                return
            self.match_len = 2
        while True:
            if r >= WINDOW:
                edge_end = MAX_MATCH
                self.match_pos = r
            else:
                edge_end = self.depth[r]
                self.match_pos = self.node_pos[r] & ~MARK
            if self.match_pos >= pos:
                self.match_pos -= WINDOW
            mp = self.match_pos
            while self.match_len < edge_end:
                if text[pos + self.match_len] != text[mp + self.match_len]:
                    self.split_edge(r)
                    return
                self.match_len += 1
            if self.match_len >= MAX_MATCH:
                break
            self.node_pos[r] = pos
            q = r
            c = text[pos + self.match_len]
            r = self.find_child(q, c)
            if r == NIL:
                self.add_child(q, c, pos)
                return
            self.match_len += 1
        # A full-length match: the new leaf replaces the old one.
        self.take_place(pos, r)
        self.parent[pos] = q
        self.parent[r] = NIL
        self.next[r] = pos

    def delete(self):
        pos = self.pos
        if self.parent[pos] == NIL:
            return
        self.unlink(pos)
        r = self.parent[pos]
        self.parent[pos] = NIL
        if r >= WINDOW:
            return
        self.children[r] = (self.children[r] - 1) & 0xFF
        if self.children[r] > 1:
            return
        t = self.node_pos[r] & ~MARK
        if t >= pos:
            t -= WINDOW
        s = t
        q = self.parent[r]
        while self.node_pos[q] & MARK:
            u = self.node_pos[q] & ~MARK
            if u >= pos:
                u -= WINDOW
            if u > s:
                s = u
            self.node_pos[q] = WINDOW + (s % WINDOW)
            q = self.parent[q]
        if q < WINDOW:
            u = self.node_pos[q]
            if u >= pos:
                u -= WINDOW
            if u > s:
                s = u
            self.node_pos[q] = (WINDOW + (s % WINDOW)) | MARK
        c = self.find_child(r, self.text[t + self.depth[r]])
        self.unlink(c)
        self.take_place(c, r)
        self.parent[c] = self.parent[r]
        self.parent[r] = NIL
        self.next[r] = self.free
        self.free = r

    # -- the driver --------------------------------------------------------
    def advance(self):
        self.remaining -= 1
        self.pos += 1
        if self.pos == 2 * WINDOW:
            self.text[0:WINDOW + MAX_MATCH] = self.text[WINDOW:2 * WINDOW + MAX_MATCH]
            self.remaining += self.read_input(WINDOW + MAX_MATCH, WINDOW)
            self.pos = WINDOW
        self.delete()
        self.insert()

    def clamp(self):
        if self.match_len > self.remaining:
            self.match_len = self.remaining

    def encode(self):
        self.init_tree()
        out = HuffmanOutput(self)
        self.remaining = self.read_input(WINDOW, WINDOW + MAX_MATCH)
        self.match_len = 0
        self.match_pos = 0
        self.pos = WINDOW
        self.insert()
        self.clamp()
        while self.remaining > 0 and not self.unpackable:
            last_len = self.match_len
            last_pos = self.match_pos
            self.advance()
            self.clamp()
            if self.match_len > last_len or last_len < 3:
                out.put_item(self.text[self.pos - 1], 0)
            else:
                out.put_item(last_len + 253, (self.pos - last_pos - 2) & 0x1FFF)
                for _ in range(last_len - 1):
                    self.advance()
                self.clamp()
        out.finish()
        self.packed_bytes += 9
        area = bytearray()
        area += self.packed_bytes.to_bytes(4, 'little')
        area += self.unpacked_size.to_bytes(4, 'little')
        area += self.out
        area.append(0)
        return bytes(area)


def encode(data):
    return Encoder(bytes(data)).encode()


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(sys.argv[1], 'rb') as f:
        data = f.read()
    with open(sys.argv[2], 'wb') as f:
        f.write(encode(data))
    return 0


if __name__ == '__main__':
    sys.exit(main())
