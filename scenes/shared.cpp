#include "scenes/shared.h"

void shared_load(SharedState* shared, bool gentle)
{
    fade_load(&shared->fades, gentle);
    seed_random(&shared->random, show_seed);
}
