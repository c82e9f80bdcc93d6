// The dance scene: its positions over time, and frames drawn with marker
// pictures in place of the real ones so that every element can be found.
#include <gtest/gtest.h>

#include "effects/plasma.h"
#include "platform/font.h"
#include "platform/image.h"
#include "platform/steps.h"
#include "platform/video.h"
#include "scenes/dance_scene.h"
#include "tests/support.h"

TEST(DancePositions, FollowTheTimeline)
{
    const struct {
        uint32_t t;
        int dancer;
    } dancer[] = {{14596, 320}, {15696, 40}, {24675, 40}, {25675, -160}, {28911, -160}};
    for (const auto& c : dancer)
        EXPECT_EQ(dancer_x(dance_entry(c.t), dance_exit(c.t)), c.dancer) << c.t;

    const struct {
        uint32_t t;
        int row;
    } row[] = {{16000, -32}, {16001, -31}, {16250, -14}, {16499, 3},   {16500, 4},
               {21000, 4},   {26000, 4},   {26250, -14}, {26500, -32}, {27000, -32}};
    for (const auto& c : row)
        EXPECT_EQ(arrow_row_top(c.t), c.row) << c.t;

    const struct {
        int n;
        uint32_t t;
        int y;
    } notes[] = {{0, 16000, 1000}, {1, 16000, 975}, {29, 16000, 275}, {29, 18709, 4}};
    for (const auto& c : notes)
        EXPECT_EQ(note_top(c.n, c.t), c.y) << c.n << " at " << c.t;
}

// Marker colours (low 24 bits), none of them in the palette.
constexpr Uint32 empty_colour = 0x102030;   // + arrow index
constexpr Uint32 filled_colour = 0x405060;  // + arrow index
constexpr Uint32 graph_colour = 0x708090;
constexpr Uint32 riding_colour = 0xA0B0C0;
constexpr Uint32 jamming_colour = 0x0F1F2F;  // + frame
constexpr Uint32 text_colour = 0x112233;
constexpr Uint32 white = 0xFFFFFF;

// A dancer sheet of 160-pixel frames, magenta but for its first and last columns.
static Sprite* marker_sprite(Uint32 colour, Uint32 per_frame)
{
    SDL_Surface* sheet = make_surface(160, 1600, magenta_key);
    for (int y = 0; y < 1600; y++) {
        set_pixel(sheet, 0, y, colour + per_frame * (y / 100));
        set_pixel(sheet, 159, y, colour + per_frame * (y / 100));
    }
    return make_sprite(sheet, 16);
}

// The markers go in once (the display and the overlays' surfaces too, but no
// real pictures); every test starts the dancers' animations afresh.
static void install_markers()
{
    video_once();
    if (!font) {
        fade_load();
        for (int i = 0; i < 4; i++) {
            empty_arrows[i] = make_surface(24, 24, empty_colour + i);
            filled_arrows[i] = make_surface(24, 24, filled_colour + i);
        }
        dance_graph = make_surface(100, 240, graph_colour);
        dance_riding_sprite = marker_sprite(riding_colour, 0);
        jamming_sprite = marker_sprite(jamming_colour, 1);
        SDL_Surface* glyphs = make_surface(64, 128, text_colour);  // 4 x 8 solid glyphs
        SDL_SetColorKey(glyphs, SDL_SRCCOLORKEY | SDL_RLEACCEL, magenta_key);
        font = new Font{4, 8, glyphs};
    }
    for (Sprite* s : {dance_riding_sprite, jamming_sprite})
        s->current_frame = 0, s->last_step = 0, s->steps_taken = sprite_not_drawn;
    build_palette();
    for (Uint32 m : {empty_colour, filled_colour, graph_colour, riding_colour, jamming_colour,
                     text_colour, white})
        for (int i = 0; i < 256; i++)  // nor within 16 of one, for the + index markers
            ASSERT_GT((plasma_palette[i] & 0xFFFFFF) - m + 16, 32u) << "marker in the palette";
}

struct Box {
    int x0 = 9999, y0 = 9999, x1 = -1, y1 = -1;
};

// Where a colour shows in the back buffer; x1 < 0 when nowhere.
static Box find(Uint32 colour)
{
    Box b;
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width; x++)
            if ((pixel(back_buffer, x, y) & 0xFFFFFF) == colour) {
                b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
            }
    return b;
}

static Uint32 at(int x, int y)
{
    return pixel(back_buffer, x, y) & 0xFFFFFF;
}

static bool only(Uint32 colour)
{
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width; x++)
            if (at(x, y) != colour)
                return false;
    return true;
}

TEST(DanceFrame, PlacesEveryElement)
{
    install_markers();

    dance_frame(15146);  // riding in: centre 180, frame from 100, doubled
    Box b = find(riding_colour);
    EXPECT_EQ(b.x0, 100);
    EXPECT_EQ(b.y0, 10);
    EXPECT_EQ(b.y1, 209);

    dance_frame(16250);  // the row passed -14 lands at -13 (add 0.5, truncate)
    for (int i = 0; i < 4; i++) {
        b = find(empty_colour + i);
        EXPECT_EQ(b.x0, 200 + 30 * i);
        EXPECT_EQ(b.y0, 0);
        EXPECT_EQ(b.y1, 10);
    }

    // At 19000 notes 19..27 stand at 225 .. 25; note 28 at 0 is already gone.
    dance_frame(19000);
    for (int n = 19; n <= 27; n++) {
        const ArrowStep& s = arrow_pattern[n % 12];
        EXPECT_EQ(at(200 + s.x_offset, 700 - 25 * n), filled_colour + s.arrow) << n;
    }
    EXPECT_NE(at(200, 2), filled_colour);

    dance_frame(24675);  // last riding frame; graph and credit still off screen
    EXPECT_GE(find(riding_colour).x1, 0);
    EXPECT_LT(find(graph_colour).x1, 0);
    EXPECT_LT(find(text_colour).x1, 0);
    dance_frame(24676);  // the first jamming draw, between two steps: frame 0
    EXPECT_LT(find(riding_colour).x1, 0);
    EXPECT_GE(find(jamming_colour).x1, 0);
    dance_frame(24683);  // its first step moves it to frame 1
    EXPECT_EQ(jamming_sprite->current_frame, 1);

    dance_frame(25175);      // halfway out
    b = find(graph_colour);  // at -80, which rounds to -79
    EXPECT_EQ(b.x1, 20);
    EXPECT_EQ(b.y0, 120);
    b = find(jamming_colour + 3);  // a step every 200 ms: at 24883 and 25083
    EXPECT_EQ(b.x1, 179);          // centre -60: frame from -140, 320 wide
    EXPECT_EQ(find(text_colour).x0, 230);
    int name_x = 0;
    while (name_x < back_width && at(name_x, 96) != text_colour)
        name_x++;
    EXPECT_EQ(name_x, 250);
}

TEST(DanceFrame, NotesFlashesAndWindowEdges)
{
    install_markers();

    dance_frame(18800);  // flash of note 0 fully white, later notes on top
    EXPECT_EQ(at(0, 239), white);
    EXPECT_EQ(at(260, 220), filled_colour + 2);  // note 20, an up arrow

    dance_frame(25959);  // note 0 reaches the row: the last note shown
    EXPECT_EQ(at(200, 4), filled_colour);
    dance_frame(25960);
    for (int i = 0; i < 4; i++)
        EXPECT_LT(find(filled_colour + i).x1, 0) << i;

    dance_frame(26050);  // the last flash, fully white, nothing after it
    EXPECT_EQ(at(319, 239), white);
    dance_frame(26051);
    EXPECT_NE(at(319, 239), white);

    const struct {
        uint32_t t;
        bool drawn;
    } edges[] = {{14595, false}, {14596, true}, {28911, true}, {28912, false}};
    for (const auto& e : edges) {
        SDL_FillRect(back_buffer, nullptr, 0x00123456);
        dance_frame(e.t);
        EXPECT_TRUE(only(e.drawn ? 0x000000 : 0x123456)) << e.t;  // drawn under full black
    }
}

// The palette turns at the 60 Hz steps of the scene: a frame at a step turns
// after drawing, one between steps turns at none, a late one at each it missed.
TEST(DanceFrame, PaletteTurnsAtTheSteps)
{
    install_markers();
    const struct {
        uint32_t t;
        uint32_t last_turn;
    } frames[] = {{14596, 0}, {14600, 14600}, {14610, 14600}, {14650, 14650}, {14700, 14700}};
    palette_steps_taken = no_step;
    last_rotation = 0;
    for (const auto& f : frames) {
        dance_frame(f.t);
        EXPECT_EQ(last_rotation, f.last_turn) << f.t;
        EXPECT_EQ(palette_steps_taken, f.last_turn ? latest_step(f.t) : no_step) << f.t;
    }
}
