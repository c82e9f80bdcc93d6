// Draws every picture of the show and the glyph sheet into a data directory:
//   varno-make-pictures DIR [--contact PREFIX]
// With --contact it also writes PREFIX_1.png, PREFIX_2.png, ...: every picture
// at twice its size, keyed pixels shown as a grey checkerboard, for looking at.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/glyphs.h"
#include "tools/pictures.h"

struct Picture {
    std::string name;
    Canvas canvas;
};

static std::vector<Picture> draw_all()
{
    static constexpr const char* arrow_names[4] = {"left", "down", "up", "right"};
    std::vector<Picture> all;
    all.push_back({"fonte3.png", glyph_sheet()});
    all.push_back({"title.png", draw_title()});
    all.push_back({"flash.png", draw_flash()});
    all.push_back({"zelto_riding.png", draw_zelto_riding()});
    all.push_back({"zelto_jamming.png", draw_zelto_jamming()});
    all.push_back({"nariq_riding.png", draw_nariq_riding()});
    all.push_back({"ascenceur_zelto.png", draw_lift_zelto()});
    all.push_back({"voiture.png", draw_car()});
    for (int d = 0; d < 4; d++)
        all.push_back({std::string("ddr_") + arrow_names[d] + ".png", draw_arrow(d, true)});
    for (int d = 0; d < 4; d++)
        all.push_back({std::string("ddr_empty_") + arrow_names[d] + ".png", draw_arrow(d, false)});
    all.push_back({"graph_zelto.png", draw_graph_zelto()});
    all.push_back({"graph_nariq.png", draw_graph_nariq()});
    all.push_back({"graph_jaune.png", draw_graph_jaune()});
    all.push_back({"graph_ascenseur.png", draw_graph_ascenseur()});
    all.push_back({"test_deform.png", draw_deform_texture()});
    all.push_back({"tunnel.png", draw_tunnel_texture()});
    for (int i = 0; i < greeting_count; i++) {
        char name[32];
        snprintf(name, sizeof name, "greet_%02d.png", i);
        all.push_back({name, draw_logo(i)});
    }
    return all;
}

// A sprite sheet laid out as rows of eight frames, anything else as it is.
static Canvas contact_view(const Canvas& c)
{
    if (c.h <= 240 || c.h % 100 != 0)
        return c;
    const int frames = c.h / 100, across = std::min(frames, 8);
    Canvas out = make_canvas(across * (c.w + 2), ((frames + 7) / 8) * 102, key);
    for (int f = 0; f < frames; f++)
        for (int y = 0; y < 100; y++)
            for (int x = 0; x < c.w; x++)
                put(out, (f % 8) * (c.w + 2) + x, (f / 8) * 102 + y,
                    c.px[size_t(f * 100 + y) * c.w + x]);
    return out;
}

// Pages of pictures at 2x, packed in rows, at most about 1300x1100 each.
static bool write_contact_sheets(const std::vector<Picture>& source, const std::string& prefix)
{
    std::vector<Picture> all;
    for (const Picture& p : source)
        all.push_back({p.name, contact_view(p.canvas)});
    constexpr int page_w = 1300, gap = 10;
    std::vector<std::vector<const Picture*>> pages(1);
    int x = gap, y = gap, row_h = 0;
    for (const Picture& p : all) {
        const int w = 2 * p.canvas.w, h = 2 * p.canvas.h;
        if (x + w + gap > page_w && x > gap) {
            x = gap;
            y += row_h + gap;
            row_h = 0;
        }
        if (y + h + gap > 1100 && y > gap) {
            pages.emplace_back();
            x = y = gap;
            row_h = 0;
        }
        pages.back().push_back(&p);
        x += w + gap;
        row_h = std::max(row_h, h);
    }
    for (size_t k = 0; k < pages.size(); k++) {
        // Lay out again to learn the page height, then paint.
        int px = gap, py = gap, rh = 0, bottom = 0;
        std::vector<std::pair<int, int>> at;
        for (const Picture* p : pages[k]) {
            const int w = 2 * p->canvas.w, h = 2 * p->canvas.h;
            if (px + w + gap > page_w && px > gap) {
                px = gap;
                py += rh + gap;
                rh = 0;
            }
            at.push_back({px, py});
            px += w + gap;
            rh = std::max(rh, h);
            bottom = std::max(bottom, py + h);
        }
        Canvas page = make_canvas(page_w, bottom + gap, 0x202028);
        for (size_t i = 0; i < at.size(); i++) {
            const Canvas big = enlarge(pages[k][i]->canvas, 2);
            for (int j = 0; j < big.h; j++)
                for (int n = 0; n < big.w; n++) {
                    Colour c = big.px[size_t(j) * big.w + n];
                    if (c == key)
                        c = ((n >> 3) + (j >> 3)) & 1 ? 0x58585E : 0x444448;
                    put(page, at[i].first + n, at[i].second + j, c);
                }
        }
        const std::string path = prefix + "_" + std::to_string(k + 1) + ".png";
        if (!save_png(page, path.c_str()))
            return false;
    }
    return true;
}

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && strcmp(argv[2], "--contact") == 0)) {
        fputs("usage: varno-make-pictures DIR [--contact PREFIX]\n", stderr);
        return 2;
    }
    start_png_writer();
    const std::vector<Picture> all = draw_all();
    for (const Picture& p : all) {
        const std::string path = std::string(argv[1]) + "/" + p.name;
        if (!save_png(p.canvas, path.c_str())) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    if (argc == 4 && !write_contact_sheets(all, argv[3])) {
        fprintf(stderr, "cannot write the contact sheets %s_*.png\n", argv[3]);
        return 1;
    }
    return 0;
}
