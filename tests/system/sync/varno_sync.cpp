// varno-sync: measures, live, how far the show's sound lies from its picture
// (tests/system/sync/sync_meter.h says how) and prints the offset of every flash
// of the dance seen, then the median, least and most.
//
//   varno-sync [--seconds S] [--after MS] [--source NAME] [--label TEXT]
//
// Run from a build directory (the capture tool and the music are read from
// it) with DISPLAY set to the X server the show plays on and PULSE_SERVER to
// the sound server whose sink it plays into (its monitor: --source, default
// varno.monitor). It waits for the window titled "VARNO STYLE", records for S
// seconds (default 6), and reports the flashes seen from MS after the start.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "scenes/data_files.h"
#include "scenes/timeline.h"
#include "tests/decode_ogg.h"
#include "tests/system/sync/sync_meter.h"

// Waits for the show's window, then records for `seconds`.
static bool record_live(const char* display, const std::string& source, double seconds, int rate,
                        Recording* rec)
{
    PictureArea area;
    const double give_up = monotonic_ms() + 60000;
    while (!find_picture(display, "VARNO STYLE", &area) && monotonic_ms() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::string error;
    if (!record_both(display, area, source, rate, seconds * 1000, rec, &error)) {
        fprintf(stderr, "varno-sync: %s\n", error.c_str());
        return false;
    }
    return true;
}

int main(int argc, char** argv)
{
    double seconds = 6, after = 0;
    std::string source = "varno.monitor", label = "offset", load, save;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--seconds"))
            seconds = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--after"))
            after = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--source"))
            source = argv[i + 1];
        else if (!strcmp(argv[i], "--label"))
            label = argv[i + 1];
        else if (!strcmp(argv[i], "--load"))
            load = argv[i + 1];
        else if (!strcmp(argv[i], "--save"))
            save = argv[i + 1];
    }
    const char* display = getenv("DISPLAY");
    if (!display && load.empty()) {
        fprintf(stderr, "varno-sync: no DISPLAY\n");
        return 2;
    }
    SyncInputs in;
    if (!load_sync_inputs("tools/varno-capture", music_file, &in)) {
        fprintf(stderr, "varno-sync: cannot read the capture tool's frames or %s\n", music_file);
        return 1;
    }
    Recording rec;
    if (!load.empty()) {
        if (!load_recording(load, &rec)) {
            fprintf(stderr, "varno-sync: cannot read %s\n", load.c_str());
            return 1;
        }
    } else if (!record_live(display, source, seconds, in.rate, &rec))
        return 1;
    if (!save.empty())
        save_recording(rec, save);
    const SyncReport r = measure_offsets(rec.picture, rec.sound, in.refs, in.music, in.rate,
                                         dance_flashes(), rec.start + after);
    printf("sound placed to +-%.1f ms (spread of the latency reports)\n", rec.sound.t0_spread);
    print_report(r, label.c_str(), stdout);
    return r.flashes.empty() ? 1 : 0;
}
