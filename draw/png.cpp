#include "draw/png.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// --- checksums ---------------------------------------------------------------

struct CrcTable {
    uint32_t v[256];
};

static CrcTable make_crc_table()
{
    CrcTable t;
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t.v[i] = c;
    }
    return t;
}

static uint32_t crc32(const unsigned char* p, size_t n)
{
    static const CrcTable table = make_crc_table();
    uint32_t c = 0xFFFFFFFFu;
    while (n--)
        c = table.v[(c ^ *p++) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

static uint32_t adler32(const std::vector<unsigned char>& bytes)
{
    uint32_t a = 1, b = 0;
    for (const unsigned char c : bytes)
        a = (a + c) % 65521, b = (b + a) % 65521;
    return b << 16 | a;
}

// --- checking ----------------------------------------------------------------

static uint32_t be32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool png_is_whole_bytes(const unsigned char* p, size_t n)
{
    if (n < 8 || memcmp(p, signature, 8) != 0)
        return false;
    bool saw_data = false;
    for (size_t at = 8; n - at >= 12;) {
        const unsigned char* chunk = p + at;
        const uint32_t length = be32(chunk);
        if (length > n - at - 12)
            return false;
        if (crc32(chunk + 4, length + 4) != be32(chunk + 8 + length))
            return false;
        if (at == 8 && memcmp(chunk + 4, "IHDR", 4) != 0)
            return false;
        if (memcmp(chunk + 4, "IDAT", 4) == 0)
            saw_data = true;
        if (memcmp(chunk + 4, "IEND", 4) == 0)
            return saw_data;
        at += 12 + size_t(length);
    }
    return false;
}

bool png_is_whole(const char* path)
{
    // DevIL spins for ever on a PNG cut off inside its image data, so a file
    // is walked chunk by chunk before anything decodes it.
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    std::vector<unsigned char> bytes;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    return png_is_whole_bytes(bytes.data(), bytes.size());
}

// --- deflate -----------------------------------------------------------------

// Bits go out least significant first; Huffman codes most significant first.
struct Bits {
    std::vector<unsigned char>* out;
    uint32_t acc;
    int n;
};

static void put_bits(Bits& b, uint32_t v, int count)
{
    b.acc |= v << b.n;
    b.n += count;
    for (; b.n >= 8; b.n -= 8, b.acc >>= 8)
        b.out->push_back(uint8_t(b.acc));
}

static void put_code(Bits& b, uint32_t code, int length)
{
    uint32_t reversed = 0;
    for (int i = 0; i < length; i++)
        reversed |= (code >> i & 1) << (length - 1 - i);
    put_bits(b, reversed, length);
}

// The fixed literal/length code.
static void put_symbol(Bits& b, int s)
{
    if (s < 144)
        put_code(b, 0x30 + s, 8);
    else if (s < 256)
        put_code(b, 0x190 + s - 144, 9);
    else if (s < 280)
        put_code(b, s - 256, 7);
    else
        put_code(b, 0xC0 + s - 280, 8);
}

static const int length_base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
static const int length_extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
static const int distance_base[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
static const int distance_extra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                       6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

static void put_match(Bits& b, int length, int distance)
{
    int l = 28, d = 29;
    while (length_base[l] > length)
        l--;
    while (distance_base[d] > distance)
        d--;
    put_symbol(b, 257 + l);
    put_bits(b, uint32_t(length - length_base[l]), length_extra[l]);
    put_code(b, uint32_t(d), 5);
    put_bits(b, uint32_t(distance - distance_base[d]), distance_extra[d]);
}

constexpr int hash_bits = 15;
constexpr size_t window = 32768, max_match = 258;
// Searching further back shrinks the pictures by a few percent at several times
// the cost.
constexpr int max_candidates = 128;

static uint32_t hash3(const unsigned char* p)
{
    return (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16) * 2654435761u >>
           (32 - hash_bits);
}

// One final block of fixed codes; earlier occurrences of each three bytes are
// chained from a hash head, and the longest of the nearest few is taken. The
// chain links live in a ring of one window: older positions are never followed.
static void deflate(const std::vector<unsigned char>& in, std::vector<unsigned char>* out)
{
    const size_t n = in.size();
    const unsigned char* d = in.data();
    std::vector<int64_t> head(size_t(1) << hash_bits, -1), previous(window, -1);
    auto insert = [&](size_t i) {
        if (i + 3 <= n) {
            const uint32_t h = hash3(d + i);
            previous[i % window] = head[h];
            head[h] = int64_t(i);
        }
    };
    Bits b = {out, 0, 0};
    put_bits(b, 1, 1);  // final block
    put_bits(b, 1, 2);  // fixed codes
    for (size_t i = 0; i < n;) {
        const size_t limit = n - i < max_match ? n - i : max_match;
        size_t best = 0, distance = 0;
        int candidates = max_candidates;
        for (int64_t j = i + 3 <= n ? head[hash3(d + i)] : -1;
             j >= 0 && i - size_t(j) <= window && candidates-- > 0;
             j = previous[size_t(j) % window]) {
            const unsigned char* c = d + j;
            if (best && c[best] != d[i + best])
                continue;
            size_t k = 0;
            while (k < limit && c[k] == d[i + k])
                k++;
            if (k > best) {
                best = k, distance = i - size_t(j);
                if (k == limit)
                    break;
            }
        }
        if (best >= 3) {
            put_match(b, int(best), int(distance));
            for (size_t k = 0; k < best; k++)
                insert(i + k);
            i += best;
        } else {
            put_symbol(b, d[i]);
            insert(i++);
        }
    }
    put_symbol(b, 256);
    if (b.n > 0)
        out->push_back(uint8_t(b.acc));
}

// --- writing -----------------------------------------------------------------

static unsigned char paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Each row after the filter whose output has the smallest sum of magnitudes
// (bytes read as signed): a cheap guess at what compresses best.
static std::vector<unsigned char> filtered_rows(const unsigned char* rgb, int w, int h)
{
    const size_t stride = size_t(w) * 3;
    std::vector<unsigned char> out, trial(stride);
    out.reserve((stride + 1) * size_t(h));
    const std::vector<unsigned char> zeros(stride, 0);
    for (int y = 0; y < h; y++) {
        const unsigned char* row = rgb + stride * size_t(y);
        const unsigned char* up = y > 0 ? row - stride : zeros.data();
        const size_t at = out.size();
        int64_t best_sum = -1;
        for (int filter = 0; filter < 5; filter++) {
            int64_t sum = 0;
            for (size_t x = 0; x < stride; x++) {
                const int a = x >= 3 ? row[x - 3] : 0, b = up[x], c = x >= 3 ? up[x - 3] : 0;
                const int predicted = filter == 1   ? a
                                      : filter == 2 ? b
                                      : filter == 3 ? (a + b) / 2
                                      : filter == 4 ? paeth(a, b, c)
                                                    : 0;
                trial[x] = uint8_t(row[x] - predicted);
                sum += trial[x] < 128 ? trial[x] : 256 - trial[x];
            }
            if (best_sum < 0 || sum < best_sum) {
                best_sum = sum;
                out.resize(at);
                out.push_back(uint8_t(filter));
                out.insert(out.end(), trial.begin(), trial.end());
            }
        }
    }
    return out;
}

static void put32(std::vector<unsigned char>* out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back(uint8_t(v >> shift));
}

static void put_chunk(std::vector<unsigned char>* out, const char* type,
                      const std::vector<unsigned char>& data)
{
    put32(out, uint32_t(data.size()));
    const size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    put32(out, crc32(out->data() + start, out->size() - start));
}

std::vector<unsigned char> png_encode(const unsigned char* rgb, int w, int h)
{
    if (w <= 0 || h <= 0)
        return {};
    const std::vector<unsigned char> rows = filtered_rows(rgb, w, h);
    std::vector<unsigned char> z = {0x78, 0x01};  // deflate, 32K window
    deflate(rows, &z);
    put32(&z, adler32(rows));
    std::vector<unsigned char> header;
    put32(&header, uint32_t(w));
    put32(&header, uint32_t(h));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    std::vector<unsigned char> file(signature, signature + 8);
    put_chunk(&file, "IHDR", header);
    put_chunk(&file, "IDAT", z);
    put_chunk(&file, "IEND", {});
    return file;
}

bool png_write(const unsigned char* rgb, int w, int h, const char* path)
{
    const std::vector<unsigned char> file = png_encode(rgb, w, h);
    if (file.empty())
        return false;
    FILE* f = fopen(path, "wb");
    if (!f)
        return false;
    const bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
    return fclose(f) == 0 && ok;
}
