// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target without libFuzzer: every file of the given corpus folders or files, then
// pseudo-random inputs from a fixed seed, half of them mutations of the corpus inputs. A broken
// invariant aborts, as it does under libFuzzer.
//
// Usage: <target> [-runs=N] [-seed=S] [-max_len=L] [corpus folder or file]...
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#if __has_include(<sanitizer/common_interface_defs.h>)
#include <sanitizer/common_interface_defs.h>
#define KORVANE_HAS_SANITIZER_CALLBACK 1
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {
struct Options
{
    long long runs = 10000;
    std::uint64_t seed = 1;
    std::size_t maxLength = 1024;
    QStringList paths;
};

bool readNumber(const char* arg, const char* name, long long& value)
{
    const std::size_t n = std::strlen(name);
    if (std::strncmp(arg, name, n) != 0)
        return false;
    char* end = nullptr;
    value = std::strtoll(arg + n, &end, 10);
    if (*end != '\0' || value < 0) {
        std::fprintf(stderr, "bad option %s\n", arg);
        std::exit(2);
    }
    return true;
}

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        long long value = 0;
        if (readNumber(argv[i], "-runs=", value))
            options.runs = value;
        else if (readNumber(argv[i], "-seed=", value))
            options.seed = std::uint64_t(value);
        else if (readNumber(argv[i], "-max_len=", value))
            options.maxLength = std::size_t(std::max(1LL, value));
        else
            options.paths << QString::fromLocal8Bit(argv[i]);
    }
    return options;
}

std::vector<QByteArray> readCorpus(const QStringList& paths)
{
    QStringList files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        } else {
            files << path;
        }
    }
    files.sort(); // the same order, and so the same mutations, on every machine
    std::vector<QByteArray> corpus;
    for (const QString& name : files) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
            std::exit(2);
        }
        corpus.push_back(file.readAll());
    }
    return corpus;
}

// The input under way, kept where a dying process can still write it out.
const QByteArray* g_current = nullptr;
constexpr char kCrashFile[] = "crash-standalone";

// Async-signal-safe: writes the input under way to ./crash-standalone for a rerun.
void saveCurrentInput()
{
    if (!g_current)
        return;
    const int fd = ::open(kCrashFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    const char* data = g_current->constData();
    qsizetype left = g_current->size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(left));
        if (n <= 0)
            break;
        data += n;
        left -= n;
    }
    ::close(fd);
    constexpr char kNote[] = "input saved to ./crash-standalone\n";
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
    g_current = nullptr;
}

extern "C" void onAbort(int)
{
    saveCurrentInput();
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

void run(const QByteArray& input)
{
    g_current = &input;
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.constData()),
                           std::size_t(input.size()));
    g_current = nullptr;
}

// A few byte flips, insertions, deletions and copies, like a fuzzer's simplest mutations.
QByteArray mutate(QByteArray input, std::mt19937_64& random, std::size_t maxLength)
{
    const int edits = 1 + int(random() % 8);
    for (int e = 0; e < edits; ++e) {
        const auto at = [&](qsizetype size) { return size > 0 ? qsizetype(random() % size) : 0; };
        switch (random() % 4) {
        case 0:
            if (!input.isEmpty())
                input[at(input.size())] = char(random());
            break;
        case 1:
            input.insert(at(input.size() + 1), char(random()));
            break;
        case 2:
            if (!input.isEmpty())
                input.remove(at(input.size()), 1 + at(8));
            break;
        default:
            if (!input.isEmpty()) {
                const qsizetype from = at(input.size());
                const QByteArray piece = input.mid(from, 1 + at(32));
                input.insert(at(input.size() + 1), piece);
            }
            break;
        }
    }
    input.truncate(qsizetype(maxLength));
    return input;
}
} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGABRT, onAbort);
#ifdef KORVANE_HAS_SANITIZER_CALLBACK
    __sanitizer_set_death_callback(saveCurrentInput);
#endif
    const Options options = parse(argc, argv);
    const std::vector<QByteArray> corpus = readCorpus(options.paths);
    for (const QByteArray& input : corpus)
        run(input);

    std::mt19937_64 random(options.seed);
    for (long long i = 0; i < options.runs; ++i) {
        if (!corpus.empty() && i % 2 == 1) {
            run(mutate(corpus[random() % corpus.size()], random, options.maxLength));
            continue;
        }
        QByteArray input(qsizetype(random() % (options.maxLength + 1)), '\0');
        for (char& byte : input)
            byte = char(random());
        run(input);
    }
    std::printf("%zu corpus inputs and %lld generated inputs ran clean\n", corpus.size(),
                options.runs);
    return 0;
}
