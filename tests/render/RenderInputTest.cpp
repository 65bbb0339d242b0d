#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <unistd.h>

#include "render/BatchCards.h"
#include "render/CpuBudget.h"
#include "render/CsvReader.h"
#include "render/Progress.h"
#include "render/RenderArgs.h"

namespace {

RenderArgs Parse(std::vector<std::string> args)
{
    return ParseRenderArgs(args);
}

TEST(RenderArgs, CardLineWithPlacesStylesAndAtSignsInNames)
{
    const RenderArgs args = Parse({"--template", "t", "--photo", "a.jpg", "--photo", "b@home.jpg@-10,20,300,200,-12.5",
                                   "--photo", "c@1,2.jpg", "--text=Hi@5,6", "--text", "me@home", "--font", "Arial",
                                   "--size=72", "--colour", "#10A0fF", "-o", "OUT.JPG"});
    ASSERT_EQ(args.mode, RenderArgs::Mode::Card) << args.problem;
    EXPECT_EQ(args.templateFolder, "t");
    ASSERT_EQ(args.card.photos.size(), 3u);
    EXPECT_FALSE(args.card.photos[0].box);
    EXPECT_EQ(args.card.photos[1].file, "b@home.jpg");
    ASSERT_TRUE(args.card.photos[1].box);
    const PhotoBox box = *args.card.photos[1].box;
    EXPECT_EQ((std::vector<LONG>{box.x, box.y, box.width, box.height}), (std::vector<LONG>{-10, 20, 300, 200}));
    EXPECT_FLOAT_EQ(box.angle, -12.5f);
    // "1,2.jpg" is no box: the whole argument is the file.
    EXPECT_EQ(args.card.photos[2].file, "c@1,2.jpg");
    EXPECT_FALSE(args.card.photos[2].box);
    ASSERT_EQ(args.card.texts.size(), 2u);
    EXPECT_EQ(args.card.texts[0].text, "Hi");
    EXPECT_EQ(args.card.texts[0].at->x, 5);
    EXPECT_EQ(args.card.texts[1].text, "me@home");
    EXPECT_FALSE(args.card.texts[1].at);
    EXPECT_EQ(args.card.style.face, "Arial");
    EXPECT_EQ(args.card.style.points, 72);
    EXPECT_EQ(args.card.style.colour, RGB(0x10, 0xA0, 0xFF));
}

TEST(RenderArgs, DefaultsAndBatch)
{
    const RenderArgs card = Parse({"-o", "x.png"});
    ASSERT_EQ(card.mode, RenderArgs::Mode::Card);
    EXPECT_EQ(card.card.style.face, "Times New Roman");
    EXPECT_EQ(card.card.style.points, 48);
    EXPECT_EQ(card.card.style.colour, RGB(255, 255, 255));
    const RenderArgs batch = Parse({"--batch", "c.csv", "--out", "d", "-j", "2", "--shard", "3/10"});
    ASSERT_EQ(batch.mode, RenderArgs::Mode::Batch);
    EXPECT_EQ(batch.jobs, 2);
    EXPECT_EQ(batch.shard, 3u);
    EXPECT_EQ(batch.shards, 10u);
    // Without -j a job per core; without --shard every row.
    const RenderArgs whole = Parse({"--batch", "c.csv", "--out", "d"});
    EXPECT_EQ(whole.jobs, int(std::clamp(std::thread::hardware_concurrency(), 1u, unsigned(kMaxJobs))));
    EXPECT_EQ(whole.shard, 0u);
    EXPECT_EQ(whole.shards, 1u);
    EXPECT_EQ(Parse({"-o", "x.bmp", "--help"}).mode, RenderArgs::Mode::Help);
}

// Line breaks, outline and shadow on the command line: points become the
// card's pixels (3 points are 4), and the defaults fill in what is left out.
TEST(RenderArgs, LineBreaksOutlineAndShadow)
{
    const RenderArgs args = Parse({"--text", R"(Happy\nbirthday \\n@5,6)", "--outline", "#102030,1.5", "--shadow",
                                   "#000000,-3,6,0", "-o", "x.png"});
    ASSERT_EQ(args.mode, RenderArgs::Mode::Card) << args.problem;
    EXPECT_EQ(args.card.texts[0].text, "Happy\nbirthday \\n");
    const TextLook& look = args.card.style.look;
    EXPECT_EQ(look.outline.colour, RGB(0x10, 0x20, 0x30));
    EXPECT_DOUBLE_EQ(look.outline.width, 2);
    EXPECT_TRUE(look.shadow.shown);
    EXPECT_DOUBLE_EQ(look.shadow.dx, -4);
    EXPECT_DOUBLE_EQ(look.shadow.dy, 8);
    EXPECT_DOUBLE_EQ(look.shadow.blur, 0);
    const RenderArgs defaults = Parse({"--outline", "#FFFFFF", "--shadow=#FF0000", "-o", "x.png"});
    ASSERT_EQ(defaults.mode, RenderArgs::Mode::Card) << defaults.problem;
    EXPECT_GT(defaults.card.style.look.outline.width, 0);
    EXPECT_GT(defaults.card.style.look.shadow.blur, 0);
    EXPECT_FALSE(Parse({"-o", "x.png"}).card.style.look.HasEffects());
}

TEST(RenderArgs, WrongLinesSayWhy)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> wrong = {
        {{"--bogus", "x", "-o", "a.png"}, "unknown option '--bogus'"},
        {{"-o"}, "-o needs a value"},
        {{"stray", "-o", "a.png"}, "unexpected argument 'stray'"},
        {{}, "no output file"},
        {{"-o", "a.gif"}, "-o needs a file name ending in"},
        {{"-o", "a.png", "--size", "0"}, "--size needs a point size"},
        {{"-o", "a.png", "--size", "12pt"}, "--size needs a point size"},
        {{"-o", "a.png", "--colour", "#12345"}, "--colour needs a colour"},
        {{"-o", "a.png", "--colour", "#12345G"}, "--colour needs a colour"},
        {{"-o", "a.png", "--font", std::string(32, 'F')}, "--font needs a face name"},
        {{"-o", "a.png", "--photo", ""}, "--photo needs a file name"},
        {{"-o", "a.png", "--photo", "a.jpg@1,2,0,4"}, ""},  // no box: a file of that name
        {{"--batch", "c.csv", "--out", "d", "-j", "0"}, "-j needs a number of jobs"},
        {{"--batch", "c.csv", "--out", "d", "-j", "65"}, "-j needs a number of jobs"},
        {{"--batch", "c.csv"}, "--batch needs both"},
        {{"--batch", "c.csv", "--out", "d", "-o", "a.png"}, "not both"},
        {{"--batch", "c.csv", "--out", "d", "--shard", "3/3"}, "--shard needs K/N"},
        {{"--batch", "c.csv", "--out", "d", "--shard", "0/0"}, "--shard needs K/N"},
        {{"--batch", "c.csv", "--out", "d", "--shard", "-1/4"}, "--shard needs K/N"},
        {{"--batch", "c.csv", "--out", "d", "--shard", "2"}, "--shard needs K/N"},
        {{"--batch", "c.csv", "--out", "d", "--shard", "1/4/2"}, "--shard needs K/N"},
        {{"--shard", "0/2", "-o", "a.png"}, "not both"},
        {{"--shard", "0/2"}, "--batch needs both"},
        {{"-o", "a.png", "--outline", "red"}, "--outline needs #RRGGBB[,WIDTH]"},
        {{"-o", "a.png", "--outline", "#000000,0"}, "--outline needs"},
        {{"-o", "a.png", "--outline", "#000000,1e9"}, "at most 192"},
        {{"-o", "a.png", "--outline", "#000000,2,3"}, "--outline needs"},
        {{"-o", "a.png", "--shadow", "#000000,1,2"}, "--shadow needs #RRGGBB[,DX,DY,BLUR]"},
        {{"-o", "a.png", "--shadow", "#000000,1,2,-1"}, "--shadow needs"},
        {{"-o", "a.png", "--shadow", "#000000,nan,2,1"}, "--shadow needs"},
    };
    for (const auto& [line, problem] : wrong) {
        const RenderArgs args = Parse(line);
        if (problem.empty()) {
            EXPECT_EQ(args.mode, RenderArgs::Mode::Card);
            EXPECT_FALSE(args.card.photos.at(0).box);
            continue;
        }
        EXPECT_EQ(args.mode, RenderArgs::Mode::Wrong) << problem;
        EXPECT_NE(args.problem.find(problem), std::string::npos) << args.problem;
    }
}

TEST(Csv, QuotingLineBreaksAndProblems)
{
    const std::vector<CsvRecord> records = ReadCsv("\xEF\xBB\xBFphoto,text,name\r\n"
                                                   "a.jpg,\"Hi, \"\"you\"\"\",a.png\r\n"
                                                   "\n"
                                                   "b.jpg,\"two\nlines\",\r\n"
                                                   "c\"d,x,y\n"
                                                   "\"e\"f,x,y\n"
                                                   "last,,z.png\n"
                                                   "\"open,x");
    ASSERT_EQ(records.size(), 7u);
    EXPECT_EQ(records[0].fields, (std::vector<std::string>{"photo", "text", "name"}));
    EXPECT_EQ(records[1].fields, (std::vector<std::string>{"a.jpg", "Hi, \"you\"", "a.png"}));
    EXPECT_EQ(records[2].fields, (std::vector<std::string>{"b.jpg", "two\nlines", ""}));
    EXPECT_EQ(records[2].line, 4);
    EXPECT_EQ(records[3].line, 6);  // after the record that spans two lines
    EXPECT_NE(records[3].problem.find("quote inside"), std::string::npos);
    EXPECT_NE(records[4].problem.find("after the closing quote"), std::string::npos);
    EXPECT_EQ(records[5].fields, (std::vector<std::string>{"last", "", "z.png"}));
    EXPECT_TRUE(records[5].problem.empty());
    EXPECT_NE(records[6].problem.find("not closed"), std::string::npos);
}

TEST(BatchCards, RowsMakeCardsOrSayWhyNot)
{
    std::string header;
    const std::vector<BatchCard> cards = ReadBatchCards("photo,text,name\n"
                                                        "p/a.jpg,Hello,a.jpg\n"
                                                        ",,b.PNG\n"
                                                        "a.jpg,x\n"
                                                        "a.jpg,x,../up.jpg\n"
                                                        "a.jpg,x,sub/a.jpg\n"
                                                        "a.jpg,x,a.gif\n"
                                                        "a.jpg,x,a.jpg\n",
                                                        "/in", "/out", TextStyle{"Arial", 20, 0}, header);
    EXPECT_TRUE(header.empty());
    ASSERT_EQ(cards.size(), 7u);
    EXPECT_TRUE(cards[0].problem.empty());
    EXPECT_EQ(cards[0].card.photos.at(0).file, "/in/p/a.jpg");
    EXPECT_EQ(cards[0].card.texts.at(0).text, "Hello");
    EXPECT_EQ(cards[0].card.style.face, "Arial");
    EXPECT_EQ(cards[0].card.output, "/out/a.jpg");
    EXPECT_TRUE(cards[1].problem.empty());
    EXPECT_TRUE(cards[1].card.photos.empty() && cards[1].card.texts.empty());
    EXPECT_NE(cards[2].problem.find("2 fields"), std::string::npos);
    EXPECT_NE(cards[3].problem.find("not a plain file name"), std::string::npos);
    EXPECT_NE(cards[4].problem.find("not a plain file name"), std::string::npos);
    EXPECT_NE(cards[5].problem.find("does not end in"), std::string::npos);
    EXPECT_EQ(cards[6].problem, "row 1 already writes 'a.jpg'");
    EXPECT_EQ(cards[6].line, 8);

    ReadBatchCards("photo;text;name\n", "", "", {}, header);
    EXPECT_NE(header.find("three columns"), std::string::npos);
    ReadBatchCards("", "", "", {}, header);
    EXPECT_EQ(header, "no header line");
}

TEST(Progress, BarFillsInProportion)
{
    EXPECT_EQ(ProgressText(0, 100, 10), "[..........] 0/100");
    EXPECT_EQ(ProgressText(37, 100, 10), "[###.......] 37/100");
    EXPECT_EQ(ProgressText(100, 100, 10), "[##########] 100/100");
    EXPECT_EQ(ProgressText(0, 0, 4), "[####] 0/0");
}

// Off a terminal a hundred cards make a line per tenth (and one every few
// seconds when cards are slow), failures are not counted as done, and the
// summary names them.
TEST(Progress, OffATerminalLinesAreFewAndTheSummaryNamesFailures)
{
    double now = 0;
    auto run = [&now](double secondsPerCard) {
        std::FILE* log = std::tmpfile();
        ProgressBar progress(log, 100, false, [&now] { return now; });
        for (int i = 0; i < 100; ++i) {
            now += secondsPerCard;
            if (i == 41 || i == 77)
                progress.Failed("row " + std::to_string(i + 1), "cannot read photo");
            else
                progress.Written();
        }
        progress.Finish();
        std::rewind(log);
        std::vector<std::string> lines;
        for (char line[512]; std::fgets(line, sizeof line, log);)
            lines.emplace_back(line);
        std::fclose(log);
        return lines;
    };
    const std::vector<std::string> fast = run(0.01);
    EXPECT_EQ(fast.size(), 10u + 2u + 1u);  // the tenths, the two failures, the summary
    EXPECT_EQ(fast[fast.size() - 2], "[#############################.] 98/100, 2 failed\n");
    EXPECT_EQ(fast.back(), "orvantis-render: 98 of 100 cards written, 2 failed: row 42, row 78, in 1.0 s\n");
    EXPECT_EQ(run(6).size(), 100u + 2u + 1u);  // slow cards: a line each
}

// The default number of jobs follows the CPUs the process may use: its
// affinity mask, bounded by a control group's quota at any level above it.
TEST(CpuBudget, AffinityBoundedByTheControlGroupQuota)
{
    const std::filesystem::path root = std::filesystem::temp_directory_path() / ("orvantis-cgroup-" + std::to_string(::getpid()));
    auto write = [&](const std::filesystem::path& file, const std::string& text) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    };
    write(root / "self", "0::/kubepods/pod1/box\n");
    write(root / "fs/kubepods/cpu.max", "max 100000\n");
    write(root / "fs/kubepods/pod1/cpu.max", "150000 100000\n");
    write(root / "fs/kubepods/pod1/box/cpu.max", "400000 100000\n");
    CpuBudget budget = FindCpuBudget(root / "fs", root / "self");
    ASSERT_TRUE(budget.quota);
    EXPECT_DOUBLE_EQ(*budget.quota, 1.5);
    budget.affinity = 16;
    EXPECT_EQ(budget.Jobs(), 2u);
    EXPECT_EQ(budget.Describe(), "2 CPUs (affinity mask 16, control group quota 1.5)");
    write(root / "self", "4:memory:/x\n2:cpu,cpuacct:/slurm/job7\n");
    write(root / "fs/cpu,cpuacct/slurm/job7/cpu.cfs_quota_us", "-1\n");
    write(root / "fs/cpu,cpuacct/slurm/job7/cpu.cfs_period_us", "100000\n");
    EXPECT_FALSE(FindCpuBudget(root / "fs", root / "self").quota);
    std::filesystem::remove_all(root);

    // A task granted one CPU of the machine starts one worker.
    const std::string line = std::string("taskset -c 0 ") + ORVANTIS_RENDER + " --help | grep -c '1 CPU (affinity mask 1'";
    EXPECT_EQ(std::system(line.c_str()), 0);
}

}  // namespace
