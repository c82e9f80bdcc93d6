#include "scenes/greetings_scene.h"

#include "effects/blur.h"
#include "effects/starfield.h"
#include "shell/image.h"
#include "shell/video.h"

SDL_Surface* star_layer;
SDL_Surface* logo_layer;
SDL_Surface* greetings_logos[logo_count];

static constexpr const char* logo_paths[logo_count] = {
    "data/greet_00.png", "data/greet_01.png", "data/greet_02.png", "data/greet_03.png",
    "data/greet_04.png", "data/greet_05.png", "data/greet_06.png", "data/greet_07.png",
    "data/greet_08.png", "data/greet_09.png", "data/greet_10.png", "data/greet_11.png",
    "data/greet_12.png", "data/greet_13.png", "data/greet_14.png", "data/greet_15.png",
    "data/greet_16.png", "data/greet_17.png", "data/greet_18.png",
};

void greetings_load()
{
    // Both layers carry an alpha mask, so SDL blends either of them by its top
    // byte; the blur sets that byte to each pixel's grey level.
    star_layer = create_scratch_layout_surface(0, back_width, back_height);
    logo_layer = create_scratch_layout_surface(SDL_SRCALPHA, back_width, back_height);
    for (int i = 0; i < logo_count; i++)
        greetings_logos[i] = load_image(logo_paths[i]);
    starfield_init();
    if (logo_layer)
        SDL_FillRect(logo_layer, nullptr, 0);
}

int greetings_logo(uint32_t t)
{
    for (int i = 0; i < logo_count; i++)
        if (logo_switch[i] <= t && t < logo_switch[i + 1])
            return i;
    return -1;
}

static void blend_onto_back_buffer(SDL_Surface* layer)
{
    if (layer)
        SDL_BlitSurface(layer, nullptr, back_buffer, nullptr);
}

void greetings_frame(uint32_t t)
{
    if (t - greetings_start > lift_start - greetings_start)
        return;
    SDL_FillRect(back_buffer, nullptr, 0);

    const StarCentre centre = starfield_centre(t);
    starfield_draw(star_layer, centre.x, centre.y, star_depth_step);
    three_tap_blur(star_layer);
    three_tap_blur(logo_layer);
    // Drawn sharp after the blur: the current logo sits on the glow of its own
    // earlier frames and of the logos before it. A logo that did not load
    // leaves its slot to that glow.
    const int logo = greetings_logo(t);
    if (logo >= 0)
        keyed_blit(greetings_logos[logo], logo_layer, 0.0f, 0.0f);

    blend_onto_back_buffer(star_layer);
    blend_onto_back_buffer(logo_layer);
    for (int i = 0; i < logo_count; i++)
        white_flash(t, logo_switch[i], back_buffer);
    run_fade_table(greetings_fades, back_buffer, t);
}
