// The ffmpeg pipe: the encoder as a child process through fork and exec, fed
// one converted frame at a time.
#include "tools/ffmpeg.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static volatile sig_atomic_t stop_signal = 0;

static void on_stop_signal(int signal)
{
    stop_signal = signal;
}

int video_stopped()
{
    return stop_signal;
}

// A file of our own that nothing can see and that goes with its last
// descriptor: ffmpeg's messages, however we end.
static int anonymous_file()
{
    const char* dir = getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/varno-capture-XXXXXX";
    const int fd = mkostemp(&name[0], O_CLOEXEC);
    if (fd >= 0)
        unlink(name.c_str());
    return fd;
}

// Starts a program from PATH on the given standard input, output and error,
// in a process group of its own (the terminal's Ctrl-C is ours to pass on)
// and, where the system can, ended when we end. -1 with errno set when it
// could not be started, as when there is no such program.
static pid_t spawn(const std::vector<std::string>& args, int in, int out, int err)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int status_pipe[2];
    if (pipe2(status_pipe, O_CLOEXEC) != 0)
        return -1;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
#ifdef __linux__
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
#endif
        signal(SIGPIPE, SIG_DFL);
        if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(127);
        execvp(argv[0], argv.data());
        const int e = errno;
        const ssize_t told = write(status_pipe[1], &e, sizeof e);
        _exit(told == sizeof e ? 127 : 126);
    }
    close(status_pipe[1]);
    if (pid < 0) {
        const int e = errno;
        close(status_pipe[0]);
        errno = e;
        return -1;
    }
    // The status pipe closes on exec; an errno on it means exec failed.
    int exec_errno = 0;
    ssize_t n;
    while ((n = read(status_pipe[0], &exec_errno, sizeof exec_errno)) < 0 && errno == EINTR) {
    }
    close(status_pipe[0]);
    if (n == sizeof exec_errno) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        errno = exec_errno;
        return -1;
    }
    return pid;
}

// Its status once it has ended; a stop signal meanwhile ends it at once.
static int wait_for(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
        if (stop_signal)
            kill(pid, SIGKILL);
    }
    return status;
}

static const char ffmpeg_package[] =
    "install Debian's package ffmpeg (apt-get install ffmpeg) to make videos";

std::string ffmpeg_missing()
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return std::string("cannot start ffmpeg: ") + strerror(errno);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t pid = spawn({"ffmpeg", "-hide_banner", "-encoders"}, null, out[1], null);
    const int spawn_errno = errno;
    close(out[1]);
    std::string listing;
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) != 0)
        if (n > 0)
            listing.append(buffer, size_t(n));
        else if (errno != EINTR)
            break;
    close(out[0]);
    if (null >= 0)
        close(null);
    if (pid < 0)
        return spawn_errno == ENOENT ? std::string("no ffmpeg program: ") + ffmpeg_package
                                     : std::string("cannot start ffmpeg: ") + strerror(spawn_errno);
    const int status = wait_for(pid);
    // Each encoder is a line " V....D name  description".
    auto has = [&](const char* name) {
        for (size_t start = 0; start < listing.size();) {
            size_t end = listing.find('\n', start);
            if (end == std::string::npos)
                end = listing.size();
            char flags[32], encoder[64];
            if (sscanf(listing.substr(start, end - start).c_str(), "%31s %63s", flags, encoder) ==
                    2 &&
                strcmp(encoder, name) == 0)
                return true;
            start = end + 1;
        }
        return false;
    };
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !has("libx264") || !has("aac"))
        return std::string("this ffmpeg cannot encode H.264 with libx264 and AAC: ") +
               ffmpeg_package;
    return "";
}

static void catch_stop_signals()
{
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_stop_signal;  // no SA_RESTART: a blocked write returns
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);  // a write to an ended ffmpeg fails with EPIPE instead
}

// The encoder's settings: the frames as they come, the music cut to them.
static std::vector<std::string> ffmpeg_arguments(const VideoSettings& s, const std::string& part)
{
    const VideoGeometry& g = s.geometry;
    const uint64_t first = uint64_t(s.first_frame) * samples_per_frame;
    const uint64_t samples = uint64_t(s.frames) * samples_per_frame;
    // Resampled from the track's start, so that sample n is at n / 48000 s;
    // then exactly the frames' samples, silence past the track's end.
    const std::string sound_filter =
        "aresample=" + std::to_string(audio_rate) + ",atrim=start_sample=" + std::to_string(first) +
        ":end_sample=" + std::to_string(first + samples) +
        ",apad=whole_len=" + std::to_string(samples) + ",asetpts=N/SR/TB";
    std::vector<std::string> a = {"ffmpeg",    "-hide_banner", "-nostdin", "-nostats",
                                  "-loglevel", "error",        "-y"};
    auto add = [&a](std::initializer_list<std::string> more) { a.insert(a.end(), more); };
    // The sound first: ffmpeg opens it before it waits for frames.
    add({"-i", s.sound});
    add({"-f", "rawvideo", "-pixel_format", "yuv420p", "-video_size",
         std::to_string(g.width) + "x" + std::to_string(g.height), "-framerate",
         std::to_string(video_fps), "-i", "pipe:0"});
    add({"-map", "1:v:0", "-map", "0:a:0"});
    add({"-c:v", "libx264", "-profile:v", "high", "-preset", s.preset, "-crf",
         std::to_string(s.crf), "-pix_fmt", "yuv420p"});
    // Closed GOPs of half a second with two B-frames, as upload sites ask.
    add({"-g", std::to_string(video_fps / 2), "-bf", "2", "-flags:v", "+cgop"});
    // x264's output depends on its thread count: fixed, not the machine's.
    add({"-threads:v", "4"});
    add({"-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709", "-color_range",
         "tv"});
    add({"-af", sound_filter, "-c:a", "aac", "-b:a", "384k", "-ac", "2"});
    // No versions, times or names that change from run to run.
    add({"-fflags", "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact", "-map_metadata",
         "-1"});
    // Edit lists in samples: in the default milliseconds the sound's end
    // would be cut to the millisecond below the frames' end.
    add({"-movflags", "+faststart", "-movie_timescale", std::to_string(audio_rate)});
    add({"-f", "mp4", part});
    return a;
}

bool video_start(const VideoSettings& s, VideoEncoder* e, std::string* error)
{
    e->path = s.path;
    e->part = s.path + ".part";
    const int probe = open(e->part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (probe < 0) {
        *error = "cannot write " + e->part + ": " + strerror(errno);
        return false;
    }
    close(probe);
    int frames[2] = {-1, -1};
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    e->log = anonymous_file();
    if (e->log < 0 || null < 0 || pipe2(frames, O_CLOEXEC) != 0) {
        *error = std::string("cannot start ffmpeg: ") + strerror(errno);
        if (null >= 0)
            close(null);
        video_abort(e, nullptr);
        return false;
    }
#ifdef F_SETPIPE_SZ
    // Fewer, larger hand-overs: a frame is megabytes.
    fcntl(frames[1], F_SETPIPE_SZ, 1 << 20);
#endif
    catch_stop_signals();
    e->pid = spawn(ffmpeg_arguments(s, e->part), frames[0], null, e->log);
    const int spawn_errno = errno;
    close(frames[0]);
    close(null);
    e->pipe = frames[1];
    if (e->pid < 0) {
        *error = std::string("cannot start ffmpeg: ") + strerror(spawn_errno);
        video_abort(e, nullptr);
        return false;
    }
    return true;
}

bool video_write(VideoEncoder* e, const uint8_t* frame, size_t bytes)
{
    while (bytes > 0) {
        if (stop_signal)
            return false;
        const ssize_t n = write(e->pipe, frame, bytes);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        frame += n;
        bytes -= size_t(n);
    }
    return !stop_signal;
}

// ffmpeg's last few lines, each after "ffmpeg: ".
static std::string log_tail(int fd)
{
    std::string text;
    char buffer[4096];
    off_t at = 0;
    ssize_t n;
    while ((n = pread(fd, buffer, sizeof buffer, at)) > 0) {
        text.append(buffer, size_t(n));
        at += n;
    }
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::string tail;
    const size_t keep = 5;
    for (size_t i = lines.size() > keep ? lines.size() - keep : 0; i < lines.size(); i++)
        tail += "\nffmpeg: " + lines[i];
    return tail;
}

static std::string describe(int status)
{
    if (WIFSIGNALED(status))
        return std::string("ffmpeg was ended by signal ") + std::to_string(WTERMSIG(status)) +
               " (" + strsignal(WTERMSIG(status)) + ")";
    return "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status));
}

static void close_all(VideoEncoder* e)
{
    if (e->pipe >= 0)
        close(e->pipe);
    if (e->log >= 0)
        close(e->log);
    e->pipe = e->log = -1;
}

bool video_finish(VideoEncoder* e, std::string* error)
{
    close(e->pipe);
    e->pipe = -1;
    const int status = wait_for(e->pid);
    e->pid = -1;
    if (stop_signal) {
        video_abort(e, nullptr);
        *error = std::string("stopped by ") + strsignal(stop_signal);
        return false;
    }
    if (status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = describe(status) + log_tail(e->log);
        video_abort(e, nullptr);
        return false;
    }
    if (rename(e->part.c_str(), e->path.c_str()) != 0) {
        *error = "cannot rename " + e->part + " to " + e->path + ": " + strerror(errno);
        video_abort(e, nullptr);
        return false;
    }
    close_all(e);
    return true;
}

void video_abort(VideoEncoder* e, std::string* error)
{
    if (e->pid > 0) {
        if (e->pipe >= 0) {
            close(e->pipe);
            e->pipe = -1;
        }
        int status = 0;
        // Ended by a signal of ours: at once. Otherwise ffmpeg stopped reading,
        // having failed, and is on its way out with its reasons: a moment for
        // them, then no more.
        pid_t done = 0;
        for (int i = 0; !stop_signal && i < 50 && done == 0; i++) {
            done = waitpid(e->pid, &status, WNOHANG);
            if (done == 0)
                usleep(100 * 1000);
        }
        if (done != e->pid) {
            kill(e->pid, SIGKILL);
            status = wait_for(e->pid);
        }
        if (error)
            *error = stop_signal ? std::string("stopped by ") + strsignal(stop_signal)
                                 : describe(status) + log_tail(e->log);
        e->pid = -1;
    }
    unlink(e->part.c_str());
    close_all(e);
}
