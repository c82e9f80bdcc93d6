// The dance scene: its positions over time, and frames drawn with marker
// pictures in place of the real ones so that every element can be found.
#include <gtest/gtest.h>

#include "core/steps.h"
#include "draw/blit.h"
#include "draw/font.h"
#include "effects/plasma.h"
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
constexpr uint32_t empty_colour = 0x102030;   // + arrow index
constexpr uint32_t filled_colour = 0x405060;  // + arrow index
constexpr uint32_t graph_colour = 0x708090;
constexpr uint32_t riding_colour = 0xA0B0C0;
constexpr uint32_t jamming_colour = 0x0F1F2F;  // + frame
constexpr uint32_t text_colour = 0x112233;
constexpr uint32_t white = 0xFFFFFF;

// A dancer sheet of 160-pixel frames, magenta but for its first and last columns.
static Sprite* marker_sprite(uint32_t colour, uint32_t per_frame)
{
    Surface* sheet = make_surface(160, 1600, magenta_key);
    for (int y = 0; y < 1600; y++) {
        set_pixel(sheet, 0, y, colour + per_frame * (y / 100));
        set_pixel(sheet, 159, y, colour + per_frame * (y / 100));
    }
    return sprite_make(sheet, 16);
}

// The scene with markers in place of its pictures, the shared palette and a
// marker font, and the frame they are drawn into.
static DanceScene scene;
static SharedState shared;
static Surface* target = nullptr;

// The markers go in once (the overlays' surfaces too, but no real pictures);
// every test starts the dancers' animations and the palette afresh.
static void install_markers()
{
    if (!target) {
        shared_load(&shared, false);
        shared.plasma_rows = plasma_make_rows();
        for (int i = 0; i < 4; i++) {
            scene.empty_arrows[i] = make_surface(24, 24, empty_colour + i);
            scene.filled_arrows[i] = make_surface(24, 24, filled_colour + i);
        }
        scene.graph = make_surface(100, 240, graph_colour);
        scene.riding = marker_sprite(riding_colour, 0);
        scene.jamming = marker_sprite(jamming_colour, 1);
        Surface* glyphs = make_surface(64, 128, text_colour);  // 4 x 8 solid glyphs
        glyphs->keyed = true;
        shared.font = new Font{4, 8, glyphs};
        target = make_surface(back_width, back_height, 0);
    }
    for (Sprite* s : {scene.riding, scene.jamming})
        s->current_frame = 0, s->last_step = 0, s->steps_taken = sprite_not_drawn;
    palette_make(&shared.palette);
    for (uint32_t m : {empty_colour, filled_colour, graph_colour, riding_colour, jamming_colour,
                       text_colour, white})
        for (int i = 0; i < 256; i++)  // nor within 16 of one, for the + index markers
            ASSERT_GT((shared.palette.colours[i] & 0xFFFFFF) - m + 16, 32u)
                << "marker in the palette";
}

static void dance_frame(uint32_t t)
{
    dance_scene_draw(t, &scene, &shared, target);
}

struct Box {
    int x0 = 9999, y0 = 9999, x1 = -1, y1 = -1;
};

// Where a colour shows in the frame; x1 < 0 when nowhere.
static Box find(uint32_t colour)
{
    Box b;
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width; x++)
            if ((pixel(target, x, y) & 0xFFFFFF) == colour) {
                b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
            }
    return b;
}

static uint32_t at(int x, int y)
{
    return pixel(target, x, y) & 0xFFFFFF;
}

static bool only(uint32_t colour)
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
    EXPECT_EQ(scene.jamming->current_frame, 1);

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
        surface_fill(0x00123456, target);
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
    shared.palette.steps_taken = no_step;
    shared.palette.last_rotation = 0;
    for (const auto& f : frames) {
        dance_frame(f.t);
        EXPECT_EQ(shared.palette.last_rotation, f.last_turn) << f.t;
        EXPECT_EQ(shared.palette.steps_taken, f.last_turn ? step_latest(f.t) : no_step) << f.t;
    }
}
