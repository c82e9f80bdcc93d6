// varno-make-music OUT.ogg [OUT.wav]: synthesises the show's music and encodes
// it as Ogg Vorbis, and, when asked, also writes the same mix losslessly as
// 32-bit float WAV, the sound the capture tool's videos take. The same build
// writes the same files: no clock, no rand().
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "generators/music/score.h"
#include "generators/music/synth.h"
#include "scenes/timeline.h"

constexpr float vorbis_quality = 0.4f;
constexpr int ogg_serial = 0x56415231;   // fixed, so the file is the same every build
constexpr double loudness_dbfs = -14.5;  // RMS over the beat-driven middle of the show
constexpr double ceiling_dbfs = -2.8;    // leaves the encoder room below the file's peak
constexpr double file_peak_dbfs = -1.2;  // what the decoded file may reach at most

static double db_to_gain(double db)
{
    return std::pow(10.0, db / 20.0);
}

// Brings the middle of the show (the dance to the fade) to the loudness, then
// holds every peak under the ceiling.
static void master(Mix& mix)
{
    const int64_t from = frame_at(dance_start), to = frame_at(finale_end - 1000);
    double sum = 0;
    for (int64_t n = from; n < to; n++)
        sum += 0.5 * (double(mix.left[n]) * mix.left[n] + double(mix.right[n]) * mix.right[n]);
    const float gain = float(db_to_gain(loudness_dbfs) / std::sqrt(sum / double(to - from)));
    // With the gain, a one-pole high-pass at 20 Hz: the kicks' falling sines
    // leave a little offset behind them.
    const float a = std::exp(-2.0f * float(M_PI) * 20.0f / sample_rate);
    float in_l = 0, in_r = 0, out_l = 0, out_r = 0;
    for (size_t n = 0; n < mix.left.size(); n++) {
        out_l = a * (out_l + mix.left[n] - in_l);
        out_r = a * (out_r + mix.right[n] - in_r);
        in_l = mix.left[n];
        in_r = mix.right[n];
        mix.left[n] = out_l * gain;
        mix.right[n] = out_r * gain;
    }
    limit(mix, float(db_to_gain(ceiling_dbfs)));
}

static bool write_pages(ogg_stream_state& os, FILE* f, bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(&os, &page) : ogg_stream_pageout(&os, &page)) {
        if (fwrite(page.header, 1, page.header_len, f) != size_t(page.header_len) ||
            fwrite(page.body, 1, page.body_len, f) != size_t(page.body_len))
            return false;
    }
    return true;
}

static bool encode(const Mix& mix, const char* path)
{
    FILE* f = fopen(path, "wb");
    if (!f)
        return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, sample_rate, vorbis_quality) != 0) {
        fclose(f);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, ogg_serial);

    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    bool ok = write_pages(os, f, true);

    const int64_t frames = int64_t(mix.left.size());
    constexpr int chunk = 4096;
    for (int64_t pos = 0; ok; pos += chunk) {
        const int n = int(std::min<int64_t>(chunk, frames - pos));
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, n);
            memcpy(buffer[0], &mix.left[pos], n * sizeof(float));
            memcpy(buffer[1], &mix.right[pos], n * sizeof(float));
        }
        vorbis_analysis_wrote(&vd, n > 0 ? n : 0);  // 0 marks the end of the stream
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                ok = ok && write_pages(os, f, false);
            }
        }
        if (n <= 0)
            break;
    }
    ok = ok && write_pages(os, f, true);

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return fclose(f) == 0 && ok;
}

static void put_le(std::vector<unsigned char>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        out.push_back((unsigned char)(value >> (8 * i)));
}

// RIFF WAVE, IEEE float (format 3), interleaved left and right, with the
// "fact" chunk a format other than PCM carries.
static bool write_wav(const Mix& mix, const char* path)
{
    const uint32_t frames = uint32_t(mix.left.size());
    const uint32_t data_bytes = frames * 2 * 4;
    std::vector<unsigned char> out;
    out.reserve(58 + size_t(data_bytes));
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put_le(out, 50 + data_bytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put_le(out, 18, 4);
    put_le(out, 3, 2);  // IEEE float
    put_le(out, 2, 2);
    put_le(out, sample_rate, 4);
    put_le(out, sample_rate * 2 * 4, 4);
    put_le(out, 2 * 4, 2);
    put_le(out, 32, 2);
    put_le(out, 0, 2);
    out.insert(out.end(), {'f', 'a', 'c', 't'});
    put_le(out, 4, 4);
    put_le(out, frames, 4);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put_le(out, data_bytes, 4);
    for (uint32_t n = 0; n < frames; n++)
        for (float v : {mix.left[n], mix.right[n]}) {
            uint32_t bits;
            memcpy(&bits, &v, 4);
            put_le(out, bits, 4);
        }
    FILE* f = fopen(path, "wb");
    if (!f)
        return false;
    const bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    return fclose(f) == 0 && ok;
}

// The largest sample of the file as a decoder reads it back; 2 if unreadable.
static float decoded_peak(const char* path)
{
    OggVorbis_File vf;
    if (ov_fopen(path, &vf) != 0)
        return 2.0f;
    float peak = 0;
    for (;;) {
        float** pcm;
        int section;
        const long frames = ov_read_float(&vf, &pcm, 4096, &section);
        if (frames <= 0)
            break;
        for (int c = 0; c < 2; c++)
            for (long i = 0; i < frames; i++)
                peak = std::max(peak, std::fabs(pcm[c][i]));
    }
    ov_clear(&vf);
    return peak;
}

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        fprintf(stderr, "usage: varno-make-music OUT.ogg [OUT.wav]\n");
        return 2;
    }
    Mix mix;
    mix_make(mix, frame_at(track_ms));
    play_score(mix);
    master(mix);
    // Lossy coding rebuilds a transient a little higher than it was. Read the
    // file back, and if a peak went over, lower the whole mix by that much
    // and encode again.
    const float allowed = float(db_to_gain(file_peak_dbfs));
    for (int attempt = 0; attempt < 4; attempt++) {
        if (!encode(mix, argv[1])) {
            fprintf(stderr, "varno-make-music: cannot write %s\n", argv[1]);
            return 1;
        }
        const float peak = decoded_peak(argv[1]);
        if (peak <= allowed) {
            if (argc == 3 && !write_wav(mix, argv[2])) {
                fprintf(stderr, "varno-make-music: cannot write %s\n", argv[2]);
                return 1;
            }
            return 0;
        }
        const float gain = 0.99f * allowed / peak;
        for (size_t n = 0; n < mix.left.size(); n++) {
            mix.left[n] *= gain;
            mix.right[n] *= gain;
        }
    }
    fprintf(stderr, "varno-make-music: %s peaks above %.1f dBFS\n", argv[1], file_peak_dbfs);
    return 1;
}
