// The files the game keeps, with real files in a temporary home: where they go, what a person's
// edits, a corrupt or truncated file, a newer version, a folder that cannot be written and two
// writers at once do to them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "store/profile.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

TEST(Store, FoldersFollowTheXdgConventions) {
    TempHome home;
    Places p = FindPlaces();
    EXPECT_EQ(p.config, home.path + "/.config/velmora");
    EXPECT_EQ(p.data, home.path + "/.local/share/velmora");
    EXPECT_EQ(p.state, home.path + "/.local/state/velmora");
    setenv("XDG_CONFIG_HOME", (home.path + "/conf").c_str(), 1);
    setenv("XDG_DATA_HOME", "relative/data", 1);
    p = FindPlaces();
    EXPECT_EQ(p.config, home.path + "/conf/velmora");
    EXPECT_EQ(p.data, home.path + "/.local/share/velmora") << "a relative path is ignored";

    // Nothing is created until something is kept, and then with the owner's permissions alone.
    {
        Profile profile(FindPlaces());
        profile.settings.Save();
        EXPECT_FALSE(fs::exists(home.path + "/conf")) << "the defaults are not written";
        profile.settings.values.players = 4;
        profile.settings.Save();
    }
    struct stat st;
    ASSERT_EQ(stat((home.path + "/conf/velmora").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(stat((home.path + "/conf/velmora/settings.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(fs::exists(home.path + "/.local")) << "no statistics, no saved game";

    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    p = FindPlaces();
    EXPECT_EQ(p.config + p.data + p.state, "") << "without HOME nothing is kept";
    Profile homeless(p);
    homeless.settings.values.players = 5;
    homeless.settings.Save();
    homeless.statistics.Count(LocalKind(2, Strategy::kAuto), true, 4);
    EXPECT_EQ(homeless.statistics.Get(LocalKind(2, Strategy::kAuto)).won, 1) << "kept for the run";
}

TEST(Store, SettingsKeepAPersonsEditsAndWhatTheyDoNotKnow) {
    TempHome home;
    const std::string path = home.path + "/.config/velmora/settings.ini";
    write(path,
          "; written by hand\nversion=1\nname=  Anna  \nplayers=9\n"
          "strength=strong\ncolour=blue\nwindow_width=1200\nwindow_height=900\n[later]\nx=1\n");
    SettingsFile settings(home.places().config);
    settings.Load();
    EXPECT_EQ(settings.values.name, "Anna");
    EXPECT_EQ(settings.values.players, 3) << "out of range: the default";
    EXPECT_EQ(settings.values.strength, Strategy::kStrong);
    EXPECT_EQ(settings.values.window_w, 1200);
    settings.values.name = CleanText(" Bo\tb\x01 ;the builder and more ", Settings::kNameChars);
    EXPECT_EQ(settings.values.name, "Bob the builder");
    settings.values.last_host = "example.org";
    settings.values.animations = Pace::kSlow;
    settings.Save();

    SettingsFile again(home.places().config);
    again.Load();
    EXPECT_EQ(again.values.name, "Bob the builder");
    EXPECT_EQ(again.values.last_host, "example.org");
    EXPECT_EQ(again.values.animations, Pace::kSlow);
    const std::string text = read(path);
    EXPECT_NE(text.find("colour=blue"), std::string::npos);
    EXPECT_NE(text.find("[later]\nx=1"), std::string::npos);
    EXPECT_EQ(text.find("version=1"), 0u);
}

TEST(Store, UnusableFilesAreSetAsideAndNewerOnesNeverWritten) {
    TempHome home;
    const Places places = home.places();
    const std::string stats = places.data + "/statistics.ini";
    const std::string kind = LocalKind(3, Strategy::kStrong);

    // Corrupt: set aside, never overwritten; a second corrupt file does not replace the first.
    write(stats, "version=1\n[local 3 strong]\nplayed=7\n\x7f\x45LF\0\x01"s);
    for (int run = 0; run < 2; ++run) {
        StatisticsFile s(places.data);
        s.Load();
        EXPECT_EQ(s.Get(kind).played, 0);
        s.Count(kind, true, 9);
        if (run == 0) write(stats, "not a key value line\n");
    }
    EXPECT_NE(read(stats + ".bad").find("played=7"), std::string::npos);
    EXPECT_EQ(read(stats + ".bad.2"), "not a key value line\n");
    EXPECT_NE(read(stats).find("played=1"), std::string::npos);

    // Truncated in a key, the file is no key=value file and is set aside; truncated in a value,
    // what is whole is read, and what makes no sense is not trusted.
    write(stats, "version=1\n[local 3 strong]\nplayed=20\nbest_str");
    {
        StatisticsFile s(places.data);
        s.Load();
        EXPECT_EQ(s.Get(kind).played, 0);
    }
    EXPECT_TRUE(fs::exists(stats + ".bad.3"));
    write(stats, "version=1\n[local 3 strong]\nplayed=20\nwon=35\nwon_in_a_row=4\nbest_streak=");
    {
        StatisticsFile s(places.data);
        s.Load();
        const Tally r = s.Get(kind);
        EXPECT_EQ(r.played, 20);
        EXPECT_EQ(r.won, 20) << "never more wins than games";
        EXPECT_EQ(r.streak, 4);
        EXPECT_EQ(r.best_streak, 4) << "the best streak is at least the current one";
    }

    // A newer version: read as far as it goes, never written.
    const std::string newer = "version=2\n[local 3 strong]\nplayed=5\nwon=2\nrating=1500\n";
    write(stats, newer);
    {
        StatisticsFile s(places.data);
        s.Load();
        EXPECT_EQ(s.Get(kind).played, 5);
        s.Count(kind, false, 3);
        EXPECT_EQ(s.Get(kind).played, 6) << "counted for this run";
        s.Reset();
    }
    EXPECT_EQ(read(stats), newer);

    // A file that is a folder is set aside like any unreadable file.
    fs::remove(stats);
    fs::create_directories(stats + "/inside");
    fs::remove_all(stats + ".bad");
    {
        StatisticsFile s(places.data);
        s.Load();
        s.Count(kind, true, 5);
    }
    EXPECT_TRUE(fs::is_directory(stats + ".bad/inside"));
    EXPECT_TRUE(fs::is_regular_file(stats));
}

TEST(Store, AFolderThatCannotBeWrittenStopsNothing) {
    TempHome home;
    // A file where the folder should be, and /proc, which nobody can write, not even root.
    write(home.path + "/blocked", "x");
    for (const std::string& dir : {home.path + "/blocked/velmora", std::string("/proc/velmora")}) {
        KeptFile file(dir, "settings.ini");
        EXPECT_FALSE(file.Save("version=1\n"));
        EXPECT_FALSE(file.Save("version=1\n")) << "and again, quietly";
        SettingsFile settings(dir);
        settings.Load();
        settings.values.players = 2;
        settings.Save();
        EXPECT_EQ(settings.values.players, 2);
    }
}

TEST(Store, TwoWritersAtOnceNeverTearAFile) {
    TempHome home;
    const std::string dir = home.places().config;
    // Large enough that a torn write would show.
    const std::string a = "version=1\n" + std::string(200000, 'a') + "=1\n";
    const std::string b = "version=1\n" + std::string(300000, 'b') + "=1\n";
    ASSERT_TRUE(KeptFile(dir, "f.ini").Save(a));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    KeptFile file(dir, "f.ini");
    if (child == 0) {
        for (int i = 0; i < 100; ++i) file.Save(a);
        _exit(0);
    }
    int torn = 0;
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(file.Save(b));
        const std::string now = read(dir + "/f.ini");
        torn += now != a && now != b;
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(torn, 0);
    const std::string last = read(dir + "/f.ini");
    EXPECT_TRUE(last == a || last == b);
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename(), "f.ini") << "no temporary file is left";
}

TEST(Store, StatisticsCountGamesStreaksAndTheShortestWin) {
    TempHome home;
    const std::string local = LocalKind(5, Strategy::kAuto), net = NetworkKind(2);
    {
        StatisticsFile s(home.places().data);
        s.Load();
        for (bool won : {true, true, false, true, true, true, false, false})
            s.Count(local, won, 12);
        s.Count(local, true, 7);
        s.Count(local, true, 30);
        s.Count(net, false, 0);
    }
    StatisticsFile s(home.places().data);
    s.Load();
    EXPECT_EQ(s.Kinds(), (std::vector<std::string>{local, net}));
    const Tally r = s.Get(local);
    EXPECT_EQ(r.played, 10);
    EXPECT_EQ(r.won, 7);
    EXPECT_EQ(r.streak, 2);
    EXPECT_EQ(r.best_streak, 3);
    EXPECT_EQ(r.shortest_win, 7);
    const std::optional<GameKind> kind = ReadKind(local);
    EXPECT_TRUE(kind && kind->local && kind->players == 5 && kind->strength == Strategy::kAuto);
    EXPECT_FALSE(ReadKind("local 9 strong"));
    for (Strategy played : {Strategy::kEasy, Strategy::kExpert}) {
        const std::optional<GameKind> each = ReadKind(LocalKind(3, played));
        EXPECT_TRUE(each && each->strength == played) << LocalKind(3, played);
    }
    s.Reset();
    EXPECT_TRUE(s.Kinds().empty());
    StatisticsFile cleared(home.places().data);
    cleared.Load();
    EXPECT_TRUE(cleared.Kinds().empty());
}

// What may stand in a file's place: a FIFO is set aside at once instead of holding the game at
// start-up (in a child, so that a hang fails the test instead of stalling it); a link stays a link
// with its target written; a link that points nowhere is a missing file. Two copies of the game
// at once keep each other's counts and settings.
TEST(Store, FifosLinksAndTwoCopiesAtOnce) {
    TempHome home;
    const Places places = home.places();
    const std::string settings = places.config + "/settings.ini";
    fs::create_directories(places.config);
    ASSERT_EQ(mkfifo(settings.c_str(), 0600), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SettingsFile s(places.config);
        s.Load();
        _exit(0);
    }
    int status = -1;
    for (int i = 0; i < 500 && waitpid(child, &status, WNOHANG) == 0; ++i) usleep(10000);
    if (status == -1) kill(child, SIGKILL), waitpid(child, nullptr, 0);
    EXPECT_EQ(status, 0) << "reading a FIFO held start-up";
    EXPECT_TRUE(fs::is_fifo(settings + ".bad"));

    const std::string repo = home.path + "/dotfiles/velmora.ini";
    write(repo, "version=1\nname=Linked\n");
    fs::remove(settings);
    fs::create_symlink(repo, settings);
    {
        SettingsFile s(places.config);
        s.Load();
        EXPECT_EQ(s.values.name, "Linked");
        s.values.players = 4;
        s.Save();
    }
    EXPECT_TRUE(fs::is_symlink(settings)) << "the link was replaced by a plain file";
    EXPECT_NE(read(repo).find("players=4"), std::string::npos);
    fs::remove(repo);
    {
        SettingsFile s(places.config);
        s.Load();
        EXPECT_EQ(s.values.players, 3) << "a link to nothing reads as no file";
    }
    EXPECT_FALSE(fs::exists(settings + ".bad.2"));

    fs::remove(settings);
    SettingsFile window_a(places.config), window_b(places.config);
    StatisticsFile stats_a(places.data), stats_b(places.data);
    for (auto* each : {&window_a, &window_b}) each->Load();
    for (auto* each : {&stats_a, &stats_b}) each->Load();
    const std::string kind = LocalKind(2, Strategy::kAuto);
    for (int i = 0; i < 10; ++i) stats_a.Count(kind, true, 5);
    stats_b.Count(kind, false, 5);
    window_a.values.players = 5;
    window_a.Save();
    window_b.values.name = "Bo";
    window_b.Save();
    StatisticsFile stats(places.data);
    stats.Load();
    EXPECT_EQ(stats.Get(kind).played, 11);
    EXPECT_EQ(stats.Get(kind).won, 10);
    SettingsFile both(places.config);
    both.Load();
    EXPECT_EQ(both.values.players, 5);
    EXPECT_EQ(both.values.name, "Bo");
}
