// SPDX-License-Identifier: GPL-3.0-or-later
// bench_recordmemory COUNT: what a download of COUNT records adds to the process, kept as the
// session keeps it: the records as readings and the table model made from them. Run once per count,
// so no earlier table muddies the heap.
#include "bench/procstats.h"
#include "records/recordmodel.h"
#include "records/storedrecord.h"
#include "sim/records.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

using namespace korvane;

int main(int argc, char* argv[])
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 65535;
    const bool again = argc > 2 && std::string_view(argv[2]) == "again";
    if (count < 1 || count > 65535 || (argc > 2 && !again)) {
        std::fprintf(stderr,
                     "usage: %s COUNT [again]   (1..65535 records; again: a second "
                     "download over the first, which is counted in the start)\n",
                     argv[0]);
        return 2;
    }
    // The dump is the link's receive buffer; it exists before the decoding starts.
    const QByteArray dump = sim::storedRecords(count);
    records::RecordModel model;
    std::vector<records::StoredRecord> stored;
    const auto download = [&] {
        // As the session keeps a download: the records as readings, the earlier ones let go
        // when the first record comes, and the table written over in place.
        model.beginDownload();
        stored.clear();
        stored.shrink_to_fit();
        stored = records::storedRecords(dump, count, 0);
        model.addRecords(stored);
        model.endDownload();
    };
    if (again)
        download();

    const std::size_t rss0 = bench::residentBytes();
    const std::size_t heap0 = bench::heapBytesInUse();
    const auto start = std::chrono::steady_clock::now();
    download();
    const int decoded = int(stored.size());
    const auto took = std::chrono::steady_clock::now() - start;
    const std::size_t rss1 = bench::residentBytes();
    const std::size_t heap1 = bench::heapBytesInUse();
    const std::size_t peak = bench::peakResidentBytes();
    if (decoded != count) {
        std::fprintf(stderr, "decoded %d of %d records\n", decoded, count);
        return 1;
    }

    const double addedRss = double(rss1) - double(rss0);
    const double addedHeap = double(heap1) - double(heap0);
    std::printf("records                    %d (%d table rows)\n", count, model.table().rowCount());
    std::printf("decode time                %.1f ms\n",
                std::chrono::duration<double, std::milli>(took).count());
    std::printf("resident before            %.1f MiB\n", bench::mebibytes(rss0));
    std::printf("resident after             %.1f MiB\n", bench::mebibytes(rss1));
    std::printf("resident added             %.1f MiB\n", addedRss / (1024.0 * 1024.0));
    std::printf("peak resident above before %.1f MiB\n",
                (double(peak) - double(rss0)) / (1024.0 * 1024.0));
    std::printf("heap added                 %.1f MiB\n", addedHeap / (1024.0 * 1024.0));
    std::printf("heap per record            %.0f bytes\n", addedHeap / count);
    std::printf("resident per record        %.0f bytes\n", addedRss / count);
    return 0;
}
