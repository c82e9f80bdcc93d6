// Draws every picture of the show and the glyph sheet into a data directory:
//   varno-make-pictures DIR [--contact PREFIX] [--icons ICON_DIR]
// With --contact it also writes PREFIX_1.png, PREFIX_2.png, ...: every picture
// at twice its size, keyed pixels shown as a grey checkerboard, for looking at.
// With --icons it writes the desktop's icons, ICON_DIR/varno-style-48.png and
// -256.png, and the Windows program's, ICON_DIR/varno-style.ico; they stay out
// of DIR, which holds what the show reads.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "generators/pictures/glyphs.h"
#include "generators/pictures/ico.h"
#include "generators/pictures/pictures.h"

struct Picture {
    std::string name;
    Canvas canvas;
};

// Every picture under the name the show opens it by.
static std::vector<Picture> draw_all()
{
    std::vector<Picture> all;
    const auto add = [&all](const char* path, Canvas canvas) {
        all.push_back({data_file_name(path), std::move(canvas)});
    };
    add(font_file, glyph_sheet());
    add(title_file, draw_title());
    add(flash_file, draw_flash());
    add(dancer_riding_file, draw_zelto_riding());
    add(dancer_jamming_file, draw_zelto_jamming());
    add(rider_file, draw_nariq_riding());
    add(lift_dancer_file, draw_lift_zelto());
    add(car_file, draw_car());
    for (int d = 0; d < 4; d++)
        add(filled_arrow_files[d], draw_arrow(d, true));
    for (int d = 0; d < 4; d++)
        add(empty_arrow_files[d], draw_arrow(d, false));
    add(dance_graph_file, draw_graph_zelto());
    add(deform_graph_file, draw_graph_nariq());
    add(tunnel_graph_file, draw_graph_jaune());
    add(lift_graph_file, draw_graph_ascenseur());
    add(deform_texture_file, draw_deform_texture());
    add(tunnel_texture_file, draw_tunnel_texture());
    for (int i = 0; i < logo_count; i++)
        add(logo_files[i], draw_logo(i));
    return all;
}

// A sprite sheet laid out as rows of eight frames, anything else as it is.
static Canvas contact_view(const Canvas& c)
{
    const int rows = sprite_frame_rows;
    if (c.h <= 240 || c.h % rows != 0)
        return c;
    const int frames = c.h / rows, across = std::min(frames, 8);
    Canvas out = make_canvas(across * (c.w + 2), ((frames + 7) / 8) * (rows + 2), key);
    for (int f = 0; f < frames; f++)
        for (int y = 0; y < rows; y++)
            for (int x = 0; x < c.w; x++)
                put(out, (f % 8) * (c.w + 2) + x, (f / 8) * (rows + 2) + y,
                    c.px[size_t(f * rows + y) * c.w + x]);
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
    const char* contact = nullptr;
    const char* icons = nullptr;
    bool ok = argc >= 2;
    for (int i = 2; ok && i < argc; i += 2) {
        ok = i + 1 < argc;
        if (ok && strcmp(argv[i], "--contact") == 0)
            contact = argv[i + 1];
        else if (ok && strcmp(argv[i], "--icons") == 0)
            icons = argv[i + 1];
        else
            ok = false;
    }
    if (!ok) {
        fputs("usage: varno-make-pictures DIR [--contact PREFIX] [--icons ICON_DIR]\n", stderr);
        return 2;
    }
    const std::vector<Picture> all = draw_all();
    for (const Picture& p : all) {
        const std::string path = std::string(argv[1]) + "/" + p.name;
        if (!save_png(p.canvas, path.c_str())) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    if (contact && !write_contact_sheets(all, contact)) {
        fprintf(stderr, "cannot write the contact sheets %s_*.png\n", contact);
        return 1;
    }
    if (icons) {
        for (int size : {48, 256}) {
            const std::string path =
                std::string(icons) + "/varno-style-" + std::to_string(size) + ".png";
            if (!save_png(draw_icon(size), path.c_str())) {
                fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
        // The Windows program's, at the sizes Explorer and the taskbar use.
        const std::vector<unsigned char> ico =
            ico_bytes({draw_icon(16), draw_icon(32), draw_icon(48), draw_icon(256)});
        const std::string path = std::string(icons) + "/varno-style.ico";
        FILE* f = fopen(path.c_str(), "wb");
        bool written = f && fwrite(ico.data(), 1, ico.size(), f) == ico.size();
        if (f)
            written = fclose(f) == 0 && written;
        if (!written) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
