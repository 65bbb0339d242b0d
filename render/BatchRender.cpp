#include "render/BatchRender.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>

#include "image/RowPool.h"
#include "render/BatchCards.h"
#include "render/CardAssembly.h"
#include "render/Progress.h"

namespace {

// A report line stays below PIPE_BUF, so the workers' lines never interleave.
constexpr std::size_t kMaxReport = 3000;

void Complain(const std::string& message)
{
    std::fprintf(stderr, "orvantis-render: %s\n", message.c_str());
}

std::string RowName(const BatchCard& card)
{
    if (!card.name.empty())
        return card.name;
    return "row " + std::to_string(card.row) + " (line " + std::to_string(card.line) + ")";
}

bool WriteAll(int fd, const std::string& data)
{
    for (std::size_t written = 0; written < data.size();) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += std::size_t(n);
    }
    return true;
}

// "INDEX ERROR\n": an empty error for a card written.
std::string Report(std::size_t index, std::string error)
{
    for (char& c : error)
        if (c == '\n' || c == '\r')
            c = ' ';
    if (error.size() > kMaxReport)
        error.resize(kMaxReport);
    return std::to_string(index) + " " + error + "\n";
}

// The worker's share: every jobs-th card from first on, all from one
// template loaded once.
[[noreturn]] void RunWorker(const RenderArgs& args, const std::vector<std::size_t>& todo,
                            const std::vector<BatchCard>& cards, std::size_t first, std::size_t jobs, int reportFd,
                            int argc, char** argv)
{
    // Each of several workers splitting its renders over every core would
    // only make them wait for one another.
    if (jobs > 1)
        pximage::LimitRowPool(1);
    bool failed = false;
    {
        QGuiApplication application(argc, argv);
        CardMaker maker(args.templateFolder);
        for (std::size_t i = first; i < todo.size(); i += jobs) {
            std::string error;
            if (!maker.Render(cards[todo[i]].card, error))
                failed = true;
            if (!WriteAll(reportFd, Report(todo[i], error)))
                break;
        }
    }
    ::close(reportFd);
    std::exit(failed ? 1 : 0);
}

struct Tally {
    std::vector<bool> reported;
    int failures = 0;
};

void ReadReports(int fd, const std::vector<BatchCard>& cards, ProgressBar& progress, Tally& tally)
{
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        pending.append(buffer, std::size_t(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            const std::string line = pending.substr(0, end);
            const std::size_t space = line.find(' ');
            const std::size_t index = std::strtoul(line.c_str(), nullptr, 10);
            if (space == std::string::npos || index >= cards.size() || tally.reported[index])
                continue;
            tally.reported[index] = true;
            if (space + 1 < line.size()) {
                ++tally.failures;
                progress.Failed(RowName(cards[index]), line.substr(space + 1));
            } else {
                progress.Written();
            }
        }
    }
}

bool ReadFile(const std::filesystem::path& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The batch's cards: a CSV file's rows, or the card files given.
bool ReadCards(const RenderArgs& args, std::vector<BatchCard>& cards)
{
    if (!args.cardFiles.empty()) {
        cards = CardFileJobs(args.cardFiles, args.outFolder, args.format);
        return true;
    }
    std::string csv;
    if (!ReadFile(args.csv, csv)) {
        Complain("cannot read CSV file '" + args.csv.string() + "': " + std::strerror(errno));
        return false;
    }
    std::string headerProblem;
    cards = ReadBatchCards(csv, args.csv.parent_path(), args.outFolder, args.card.style, headerProblem);
    if (!headerProblem.empty()) {
        Complain("'" + args.csv.string() + "' line 1: " + headerProblem);
        return false;
    }
    return true;
}

}  // namespace

int RunBatch(const RenderArgs& args, int argc, char** argv)
{
    std::vector<BatchCard> cards;
    if (!ReadCards(args, cards))
        return 1;
    std::error_code made;
    std::filesystem::create_directories(args.outFolder, made);
    if (made) {
        Complain("cannot make the output folder '" + args.outFolder.string() + "': " + made.message());
        return 1;
    }

    // Every row is read, so a name written twice is found whichever shard
    // holds the second row; only the shard's rows are rendered and counted.
    std::vector<std::size_t> shard;
    for (std::size_t i = args.shard; i < cards.size(); i += args.shards)
        shard.push_back(i);
    ProgressBar progress(stderr, int(shard.size()), ::isatty(STDERR_FILENO) == 1);
    Tally tally{std::vector<bool>(cards.size()), 0};
    std::vector<std::size_t> todo;
    for (const std::size_t i : shard) {
        if (cards[i].problem.empty()) {
            todo.push_back(i);
            continue;
        }
        tally.reported[i] = true;
        ++tally.failures;
        progress.Failed(RowName(cards[i]), cards[i].problem);
    }

    int pipeFds[2];
    if (!todo.empty() && ::pipe(pipeFds) != 0) {
        Complain(std::string("cannot start the workers: ") + std::strerror(errno));
        return 1;
    }
    const std::size_t jobs = std::min(todo.size(), std::size_t(args.jobs));
    std::vector<pid_t> workers;
    // Nothing before this point has drawn a picture: the image core's row
    // pool would start here otherwise, and its threads do not survive fork.
    std::fflush(nullptr);
    for (std::size_t k = 0; k < jobs; ++k) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(pipeFds[0]);
            RunWorker(args, todo, cards, k, jobs, pipeFds[1], argc, argv);
        }
        if (pid < 0)
            break;  // the cards of the workers that did not start are told below
        workers.push_back(pid);
    }
    if (!todo.empty()) {
        ::close(pipeFds[1]);
        ReadReports(pipeFds[0], cards, progress, tally);
        ::close(pipeFds[0]);
    }
    for (const pid_t pid : workers)
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    // A worker that crashed or never started leaves its cards unreported.
    for (const std::size_t i : todo)
        if (!tally.reported[i]) {
            ++tally.failures;
            progress.Failed(RowName(cards[i]), "the worker rendering it stopped");
        }
    progress.Finish();
    return tally.failures == 0 ? 0 : 1;
}
