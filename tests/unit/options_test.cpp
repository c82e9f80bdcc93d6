// The program's command line: what each option sets, what it refuses, and the
// native program's answers (the usage on standard output for --help, on
// standard error with status 2 for anything it does not take).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenes/timeline.h"
#include "show/options.h"
#include "tests/support.h"

namespace {

struct Case {
    const char* name;
    std::vector<std::string> args;
    Request request;
    ShowOptions want;  // checked when the request is play
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

constexpr DisplayMode full = DisplayMode::fullscreen, window = DisplayMode::window;

const Case cases[] = {
    {"nothing", {}, Request::play, {full, 0, false}},
    {"window", {"-w"}, Request::play, {window, 0, false}},
    {"window_long", {"--window"}, Request::play, {window, 0, false}},
    {"fullscreen_after_window", {"-w", "--fullscreen"}, Request::play, {full, 0, false}},
    {"window_after_fullscreen", {"-f", "-w"}, Request::play, {window, 0, false}},
    {"gentle", {"--gentle"}, Request::play, {full, 0, true}},
    {"from", {"--from", "43.2"}, Request::play, {full, 43200, false}},
    {"from_equals", {"--from=12"}, Request::play, {full, 12000, false}},
    {"from_rounds_to_ms", {"--from", "0.0016"}, Request::play, {full, 2, false}},
    {"from_last_frame",
     {"--from", std::to_string(last_frame_time / 1000.0)},
     Request::play,
     {full, last_frame_time, false}},
    {"all_of_them", {"--gentle", "-w", "--from=1.5"}, Request::play, {window, 1500, true}},
    {"help", {"--help"}, Request::help, {}},
    {"h", {"-h"}, Request::help, {}},
    {"help_after_a_bad_one_is_bad", {"--fast", "-h"}, Request::bad, {}},
    {"help_before_a_bad_one", {"-h", "--fast"}, Request::help, {}},
    {"version", {"--version"}, Request::version, {}},
    {"unknown", {"--fast"}, Request::bad, {}},
    {"unknown_short", {"-x"}, Request::bad, {}},
    {"a_word", {"play"}, Request::bad, {}},
    {"gentle_with_a_value", {"--gentle=1"}, Request::bad, {}},
    {"from_without_seconds", {"-w", "--from"}, Request::bad, {}},
    {"from_empty", {"--from="}, Request::bad, {}},
    {"from_negative", {"--from", "-1"}, Request::bad, {}},
    {"from_past_the_end", {"--from", "102"}, Request::bad, {}},
    {"from_not_a_number", {"--from", "1s"}, Request::bad, {}},
    {"from_nan", {"--from", "nan"}, Request::bad, {}},
};

class Options : public testing::TestWithParam<Case> {};

TEST_P(Options, ReadAsDocumented)
{
    const Case c = GetParam();
    std::vector<char*> argv = {const_cast<char*>("varno-style")};
    std::vector<std::string> args = c.args;
    for (std::string& a : args)
        argv.push_back(a.data());
    ShowOptions o;
    EXPECT_EQ(options_parse(int(argv.size()), argv.data(), &o), c.request);
    if (c.request != Request::play)
        return;
    EXPECT_EQ(o.display, c.want.display);
    EXPECT_EQ(o.from, c.want.from);
    EXPECT_EQ(o.gentle, c.want.gentle);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, Options, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case>& i) { return i.param.name; });

// The native program itself, which needs no display to answer.
struct Answer {
    const char* name;
    const char* args;
    int status;
    std::string out, err;
};

void PrintTo(const Answer& a, std::ostream* os)
{
    *os << a.name;
}

class Program : public testing::TestWithParam<Answer> {};

TEST_P(Program, Answers)
{
    const Answer a = GetParam();
    const std::string dir = testing::TempDir() + "options_" + a.name;
    // A program that took a bad option would play the whole show: cut short.
    const int status = run_command("timeout 20 ./varno-style " + std::string(a.args) + " > " + dir +
                                   ".out 2> " + dir + ".err");
    std::string out, err;
    run_command("cat " + dir + ".out", &out);
    run_command("cat " + dir + ".err", &err);
    EXPECT_EQ(status, a.status);
    EXPECT_EQ(out, a.out);
    EXPECT_EQ(err, a.err);
}

const Answer answers[] = {
    {"help", "--help", 0, show_usage, ""},
    {"version", "--version", 0, std::string("varno-style ") + show_version + "\n", ""},
    {"unknown", "--fast", 2, "", show_usage},
    {"bad_seconds", "--from 200", 2, "", show_usage},
};

INSTANTIATE_TEST_SUITE_P(Native, Program, testing::ValuesIn(answers),
                         [](const testing::TestParamInfo<Answer>& i) { return i.param.name; });

}  // namespace
