#include "scenes/shared.h"

void shared_load(SharedState* shared, bool gentle)
{
    fade_make(&shared->fades, gentle);
    random_seed(&shared->random, show_seed);
}
