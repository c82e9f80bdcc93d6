// Installing: `cmake --install` into a prefix of its own, the installed capture
// tool run from a directory without data/, the desktop entry and manual pages
// as their checkers see them; the Debian package's files, dependencies and
// lintian's verdict.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support.h"

namespace fs = std::filesystem;

namespace {

const std::string build = getenv("VARNO_BUILD_DIR") ? getenv("VARNO_BUILD_DIR") : ".";
// Where the tests install and package the build; removed when they are done.
const std::string root = build + "/install_test";
const std::string prefix = root + "/usr";
const std::string package_dir = build + "/package_test";

// What the show reads, by name: the build's data/ less its stamp.
std::vector<std::string> data_files()
{
    std::vector<std::string> names;
    for (const auto& f : fs::directory_iterator(build + "/data"))
        if (f.path().extension() != ".stamp")
            names.push_back(f.path().filename());
    return names;
}

// Every file installed besides the data, under the prefix; the package has
// bin/ as games/.
const char* const installed_files[] = {
    "bin/varno-style",
    "bin/varno-capture",
    "share/applications/varno-style.desktop",
    "share/icons/hicolor/48x48/apps/varno-style.png",
    "share/icons/hicolor/256x256/apps/varno-style.png",
    "share/man/man6/varno-style.6.gz",
    "share/man/man1/varno-capture.1.gz",
    "share/doc/varno-style/copyright",
    "share/doc/varno-style/changelog.gz",
};

// Width and height from a PNG's header; 0 x 0 when it is not one.
std::pair<int, int> png_size(const std::string& path)
{
    const std::string b = read_file(path);
    if (b.size() < 24 || b.compare(1, 3, "PNG") != 0 || b.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto be32 = [&](size_t at) {
        return int(uint8_t(b[at]) << 24 | uint8_t(b[at + 1]) << 16 | uint8_t(b[at + 2]) << 8 |
                   uint8_t(b[at + 3]));
    };
    return {be32(16), be32(20)};
}

// The build installed once for every test here.
class Installed : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        run_command("rm -rf '" + root + "'");
        status = run_command("cmake --install '" + build + "' --prefix '" + prefix + "' 2>&1");
    }
    static void TearDownTestSuite() { run_command("rm -rf '" + root + "'"); }
    void SetUp() override { ASSERT_EQ(status, 0) << "cmake --install failed"; }
    static inline int status = -1;
};

TEST_F(Installed, HoldsTheProgramsDataEntryIconsAndManualPages)
{
    for (const char* f : installed_files)
        EXPECT_TRUE(fs::is_regular_file(prefix + "/" + f)) << f;
    for (const char* program : {"bin/varno-style", "bin/varno-capture"})
        EXPECT_NE(fs::status(prefix + "/" + program).permissions() & fs::perms::others_exec,
                  fs::perms::none)
            << program;
    for (const std::string& name : data_files())
        EXPECT_EQ(read_file(prefix + "/share/varno-style/data/" + name),
                  read_file(build + "/data/" + name))
            << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(prefix + "/share/varno-style/data"), {}),
              std::ptrdiff_t(data_files().size()));
    for (int size : {48, 256}) {
        const std::string s = std::to_string(size);
        EXPECT_EQ(
            png_size(prefix + "/share/icons/hicolor/" + s + "x" + s + "/apps/varno-style.png"),
            std::make_pair(size, size));
    }
}

TEST_F(Installed, CaptureFromElsewhereWritesTheBuildsFrames)
{
    // No data/ where it starts: it must read the installed copy, and still
    // write its frames where it was started.
    const std::string elsewhere = root + "/elsewhere";
    ASSERT_EQ(run_command("mkdir -p '" + elsewhere + "' && cd '" + elsewhere + "' && '" + prefix +
                          "/bin/varno-capture' --at 0,20000 2>&1"),
              0);
    ASSERT_EQ(run_command("cd '" + build + "' && ./tools/varno-capture --at 0,20000 --out '" +
                          root + "/build_frames' 2>&1"),
              0);
    for (const char* frame : {"t000000.png", "t020000.png"}) {
        const std::string made = read_file(elsewhere + "/frames/" + frame);
        EXPECT_FALSE(made.empty()) << frame;
        EXPECT_EQ(made, read_file(root + "/build_frames/" + frame)) << frame;
    }
}

TEST_F(Installed, DesktopEntryAndManualPagesPassTheirCheckers)
{
    const std::string checks[] = {
        "desktop-file-validate '" + prefix + "/share/applications/varno-style.desktop' 2>&1",
        "man --warnings -l '" + prefix + "/share/man/man6/varno-style.6.gz' 2>&1 >/dev/null",
        "man --warnings -l '" + prefix + "/share/man/man1/varno-capture.1.gz' 2>&1 >/dev/null",
    };
    for (const std::string& check : checks) {
        std::string said;
        EXPECT_EQ(run_command(check, &said), 0) << check;
        EXPECT_EQ(said, "") << check;
    }
}

// The package made once for every test here.
class Package : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        run_command("rm -rf '" + package_dir + "'");
        status = run_command("cpack -G DEB --config '" + build + "/CPackConfig.cmake' -B '" +
                             package_dir + "' 2>&1");
        run_command("ls '" + package_dir + "'/varno-style_[0-9]*_*.deb", &deb);
        while (!deb.empty() && deb.back() == '\n')
            deb.pop_back();
    }
    static void TearDownTestSuite() { run_command("rm -rf '" + package_dir + "'"); }
    void SetUp() override { ASSERT_EQ(status, 0) << "cpack failed"; }
    static inline std::string deb;
    static inline int status = -1;
};

TEST_F(Package, HoldsEveryInstalledFileWithTheProgramsInUsrGames)
{
    std::string listing;
    ASSERT_EQ(run_command("dpkg-deb --contents '" + deb + "'", &listing), 0);
    std::set<std::string> paths;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
        paths.insert(line.substr(line.rfind(' ') + 1));
    for (std::string f : installed_files) {
        if (f.rfind("bin/", 0) == 0)
            f.replace(0, 3, "games");
        EXPECT_EQ(paths.count("./usr/" + f), 1u) << f;
    }
    for (const std::string& name : data_files())
        EXPECT_EQ(paths.count("./usr/share/varno-style/data/" + name), 1u) << name;
}

TEST_F(Package, NamesTheLibrariesItNeedsInSectionGames)
{
    std::string depends, section;
    ASSERT_EQ(run_command("dpkg-deb --field '" + deb + "' Depends", &depends), 0);
    for (const char* library : {"libsdl1.2debian", "libsdl-mixer1.2", "libdevil1c2", "libx11-6"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    ASSERT_EQ(run_command("dpkg-deb --field '" + deb + "' Section", &section), 0);
    EXPECT_EQ(section, "games\n");
}

// The version is CMake's project version, written once: the package's
// Version field, its file name, its changelog's latest entry and what each
// packaged program prints for --version must all say the same.
TEST_F(Package, EveryProgramChangelogAndFileNameCarryItsVersion)
{
    std::string version;
    ASSERT_EQ(run_command("dpkg-deb --field '" + deb + "' Version", &version), 0);
    ASSERT_FALSE(version.empty());
    version.pop_back();
    EXPECT_NE(deb.find("/varno-style_" + version + "_"), std::string::npos) << deb;

    const std::string unpacked = package_dir + "/unpacked";
    ASSERT_EQ(run_command("dpkg-deb -x '" + deb + "' '" + unpacked + "'"), 0);
    std::string changelog;
    ASSERT_EQ(
        run_command("zcat '" + unpacked + "/usr/share/doc/varno-style/changelog.gz'", &changelog),
        0);
    EXPECT_EQ(changelog.substr(0, changelog.find(')') + 1), "varno-style (" + version + ")");

    for (const char* program : {"varno-style", "varno-capture"}) {
        std::string said;
        // Standard error kept apart: the line belongs on standard output alone.
        EXPECT_EQ(run_command("'" + unpacked + "/usr/games/" + program + "' --version 2>/dev/null",
                              &said),
                  0)
            << program;
        EXPECT_EQ(said, std::string(program) + " " + version + "\n");
    }
}

TEST_F(Package, LintianFindsNoErrorsOrWarnings)
{
    std::string said;
    EXPECT_EQ(run_command("lintian --fail-on error,warning '" + deb + "' 2>/dev/null", &said), 0)
        << said;
    EXPECT_EQ(said, "");
}

}  // namespace
