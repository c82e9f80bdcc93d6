#include "generators/pictures/ico.h"

static void put16(std::vector<unsigned char>* b, unsigned v)
{
    b->push_back(v & 0xFF);
    b->push_back(v >> 8 & 0xFF);
}

static void put32(std::vector<unsigned char>* b, unsigned v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// An icon image as Windows has always stored one: a bitmap header whose
// height counts the colour rows and the mask's, the pixels bottom row first
// (blue, green, red, alpha), then a one-bit mask, all clear: every pixel shows.
static std::vector<unsigned char> dib(const Canvas& c)
{
    std::vector<unsigned char> b;
    put32(&b, 40);
    put32(&b, unsigned(c.w));
    put32(&b, unsigned(2 * c.h));
    put16(&b, 1);   // planes
    put16(&b, 32);  // bits a pixel
    for (int i = 0; i < 6; i++)
        put32(&b, 0);  // no compression, sizes and colours left to the reader
    for (int y = c.h - 1; y >= 0; y--)
        for (int x = 0; x < c.w; x++) {
            const Colour p = c.px[size_t(y) * c.w + x];
            b.insert(b.end(), {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), 0xFF});
        }
    const size_t mask_row = size_t((c.w + 31) / 32 * 4);
    b.insert(b.end(), mask_row * c.h, 0);
    return b;
}

std::vector<unsigned char> ico_bytes(const std::vector<Canvas>& images)
{
    std::vector<unsigned char> head, body;
    put16(&head, 0);
    put16(&head, 1);  // an icon, not a cursor
    put16(&head, unsigned(images.size()));
    const unsigned first = unsigned(6 + 16 * images.size());
    for (const Canvas& c : images) {
        const std::vector<unsigned char> image = dib(c);
        head.push_back(uint8_t(c.w));  // 256 is written as 0
        head.push_back(uint8_t(c.h));
        head.push_back(0);  // no palette
        head.push_back(0);
        put16(&head, 1);
        put16(&head, 32);
        put32(&head, unsigned(image.size()));
        put32(&head, unsigned(first + body.size()));
        body.insert(body.end(), image.begin(), image.end());
    }
    head.insert(head.end(), body.begin(), body.end());
    return head;
}
