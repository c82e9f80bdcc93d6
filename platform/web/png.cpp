// PNG files in the browser build: decoded by the stb_image that Emscripten
// bundles (-sSTB_IMAGE=1), written by our own few lines, stored without
// compression: the capture tool's files, rarely wanted there.
#include "platform/png.h"

#include <cstdint>
#include <cstdio>

extern "C" {
unsigned char* stbi_load(const char* path, int* w, int* h, int* channels, int wanted);
void stbi_image_free(void* pixels);
}

void png_start() {}

bool read_png(const char* path, std::vector<unsigned char>* rgba, int* w, int* h)
{
    int channels;
    unsigned char* data = stbi_load(path, w, h, &channels, 4);
    if (!data)
        return false;
    rgba->assign(data, data + size_t(*w) * *h * 4);
    stbi_image_free(data);
    return *w > 0 && *h > 0;
}

static void put32(std::vector<unsigned char>* out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back(uint8_t(v >> shift));
}

static uint32_t crc(const unsigned char* p, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    while (n--) {
        c ^= *p++;
        for (int k = 0; k < 8; k++)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

static void chunk(std::vector<unsigned char>* out, const char* type,
                  const std::vector<unsigned char>& data)
{
    put32(out, uint32_t(data.size()));
    const size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    put32(out, crc(out->data() + start, out->size() - start));
}

bool write_png(const unsigned char* rgb, int w, int h, const char* path)
{
    // The rows, each after its filter byte (none), in a zlib stream of
    // stored blocks of at most 65535 bytes.
    std::vector<unsigned char> raw;
    for (int y = 0; y < h; y++) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb + size_t(y) * w * 3, rgb + size_t(y + 1) * w * 3);
    }
    std::vector<unsigned char> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (const unsigned char c : raw)
        a = (a + c) % 65521, b = (b + a) % 65521;
    for (size_t at = 0; at < raw.size() || at == 0;) {
        const size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z.push_back(at + n == raw.size());
        z.push_back(uint8_t(n)), z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n)), z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
        if (n == 0)
            break;
    }
    put32(&z, b << 16 | a);
    std::vector<unsigned char> header;
    put32(&header, uint32_t(w));
    put32(&header, uint32_t(h));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(&file, "IHDR", header);
    chunk(&file, "IDAT", z);
    chunk(&file, "IEND", {});
    FILE* f = fopen(path, "wb");
    if (!f)
        return false;
    const bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
    return fclose(f) == 0 && ok;
}
